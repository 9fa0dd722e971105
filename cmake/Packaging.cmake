# Installation and packages.
#
# `cmake --install <build> --prefix <folder>` makes <folder> the program folder, laid out as in
# the build tree: the executable, the hook library, Language/, Music/ with Info/, Help/<id>/.
#
# CPack (Linux) makes a .tar.gz of that folder, to unpack anywhere the user can write and run
# ./Vistrel from, and a .deb that puts the program folder read-only under /opt/vistrel with a
# `vistrel` launcher, a desktop entry and icons. Since the program keeps its settings beside its
# executable, the launcher runs it from a per-user copy of the program folder (see
# resources/linux/vistrel.sh). The Windows build makes a .zip of the program folder.

set(VISTREL_DEB_DIR /opt/vistrel)

if(TARGET Vistrel)
  install(TARGETS Vistrel RUNTIME DESTINATION . COMPONENT program)
endif()
if(TARGET Hook)
  install(TARGETS Hook RUNTIME DESTINATION . LIBRARY DESTINATION . COMPONENT program)
endif()
# The data folders are generated; install them from the program folder of the build tree.
foreach(dir Language Music Help)
  install(DIRECTORY ${VISTREL_PROGRAM_DIR}/${dir} DESTINATION . COMPONENT program
    OPTIONAL PATTERN "*.tmp" EXCLUDE)
endforeach()

if(UNIX)
  # Desktop integration, only for the .deb (absolute places; `cmake --install` leaves them).
  install(PROGRAMS ${CMAKE_SOURCE_DIR}/resources/linux/vistrel.sh DESTINATION /usr/bin
    RENAME vistrel COMPONENT desktop EXCLUDE_FROM_ALL)
  install(FILES ${CMAKE_SOURCE_DIR}/resources/linux/vistrel.desktop
    DESTINATION /usr/share/applications COMPONENT desktop EXCLUDE_FROM_ALL)
  foreach(size 16 24 32 48 64 128 256)
    install(FILES ${VISTREL_IMAGE_DIR}/MAINICON-${size}.png
      DESTINATION /usr/share/icons/hicolor/${size}x${size}/apps RENAME vistrel.png
      COMPONENT desktop EXCLUDE_FROM_ALL)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VENDOR "Vistrel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Eye-rest reminder in the notification area")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vistrel <vistrel@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/VistrelCPackOptions.cmake)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "Vistrel-${PROJECT_VERSION}-win64")
  file(WRITE ${CMAKE_BINARY_DIR}/VistrelCPackOptions.cmake "")
else()
  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The audio libraries are loaded while music plays, so the library scan does not see them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-mixer-2.0-0")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "timgm6mb-soundfont | fluid-soundfont-gm, xchm | kchmviewer")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  # Each generator gets its own layout: the archive holds the program folder alone, the
  # .deb the folder under /opt/vistrel plus the desktop files.
  file(WRITE ${CMAKE_BINARY_DIR}/VistrelCPackOptions.cmake [=[
if(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program desktop)
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INSTALL_PREFIX /opt/vistrel)
  set(CPACK_PACKAGING_INSTALL_PREFIX /opt/vistrel)
else()
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL program)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_PACKAGE_FILE_NAME "Vistrel-${CPACK_PACKAGE_VERSION}-Linux")
  set(CPACK_ARCHIVE_PROGRAM_FILE_NAME "Vistrel-${CPACK_PACKAGE_VERSION}-Linux")
endif()
]=])
endif()
include(CPack)

# The program in a Wayland session: a headless sway run as an unprivileged user, with swaybar
# as the tray host and XWayland, driven with wtype (keys), the tests' own virtual pointer
# (tests/wayland/vptr.c) and read back through grim screenshots, the session bus and the
# audio SDL writes to a file (tests/wayland/lib/wlsession.sh).
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_check_modules(VISTREL_WAYLAND_CLIENT IMPORTED_TARGET wayland-client)
endif()
find_program(VISTREL_WAYLAND_SCANNER wayland-scanner)
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel AND VISTREL_WAYLAND_CLIENT_FOUND
   AND VISTREL_WAYLAND_SCANNER)
  # The virtual pointer's protocol, turned into C for the helper alone.
  set(_vptr_xml ${PROJECT_SOURCE_DIR}/protocols/wlr-virtual-pointer-unstable-v1.xml)
  set(_vptr_gen ${CMAKE_CURRENT_BINARY_DIR}/wayland-vptr)
  add_custom_command(
    OUTPUT ${_vptr_gen}/wlr-virtual-pointer-unstable-v1-client-protocol.h
           ${_vptr_gen}/wlr-virtual-pointer-unstable-v1-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_vptr_gen}
    COMMAND ${VISTREL_WAYLAND_SCANNER} client-header ${_vptr_xml}
            ${_vptr_gen}/wlr-virtual-pointer-unstable-v1-client-protocol.h
    COMMAND ${VISTREL_WAYLAND_SCANNER} private-code ${_vptr_xml}
            ${_vptr_gen}/wlr-virtual-pointer-unstable-v1-protocol.c
    DEPENDS ${_vptr_xml}
    COMMENT "Generating the virtual pointer protocol code")
  add_executable(vistrel_vptr ${CMAKE_CURRENT_LIST_DIR}/vptr.c
    ${_vptr_gen}/wlr-virtual-pointer-unstable-v1-protocol.c)
  target_include_directories(vistrel_vptr PRIVATE ${_vptr_gen})
  target_link_libraries(vistrel_vptr PRIVATE PkgConfig::VISTREL_WAYLAND_CLIENT)
  # C: the project's warning set less its C++-only option.
  target_compile_options(vistrel_vptr PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    $<$<BOOL:${VISTREL_WERROR}>:-Werror>)

  set(_vistrel_wayland_scenarios
    tray           # the icon in swaybar, a click, a right click
    late_bar       # a bar started after the program, and started again
    rest_f4        # rests begin after a minute; F4 bound in sway ends only an allowed one
    rest_resume)   # after a rest that ran out, a key in a Wayland window starts work again
  foreach(_scenario ${_vistrel_wayland_scenarios})
    add_test(NAME wayland_e2e_${_scenario}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${_scenario}.sh $<TARGET_FILE_DIR:Vistrel>
              ${CMAKE_BINARY_DIR}/e2e-artifacts/wayland/${_scenario} $<TARGET_FILE:vistrel_vptr>)
    set_tests_properties(wayland_e2e_${_scenario} PROPERTIES LABELS wayland-e2e TIMEOUT 400)
  endforeach()
endif()

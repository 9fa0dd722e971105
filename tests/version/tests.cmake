# The version block compiled into the Linux program: its section carries an alignment of its
# own, so the block's 32-bit layout holds wherever the linker puts it. GCC happens to align
# large arrays anyway; clang does not, so the source is also compiled with clang when it is
# there, to check what the source itself declares.
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  find_program(VISTREL_CLANGXX clang++)
  set(_version_args $<TARGET_FILE:Vistrel>)
  if(VISTREL_CLANGXX)
    list(APPEND _version_args --compile ${VISTREL_CLANGXX}
      ${PROJECT_SOURCE_DIR}/resources/version/VersionData.cpp
      -I${PROJECT_SOURCE_DIR}/src -I${PROJECT_SOURCE_DIR}/resources/version)
  endif()
  add_test(NAME version_block_alignment
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/check_alignment.py ${_version_args})
  set_tests_properties(version_block_alignment PROPERTIES LABELS unit)
endif()

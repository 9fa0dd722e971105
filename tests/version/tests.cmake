# The version block compiled into the Linux program: its section carries an alignment of its
# own, so the block's 32-bit layout holds wherever the linker puts it.
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME version_block_alignment
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/check_alignment.py
            $<TARGET_FILE:Vistrel>)
  set_tests_properties(version_block_alignment PROPERTIES LABELS unit)
endif()

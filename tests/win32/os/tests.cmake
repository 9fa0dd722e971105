# The Windows realisation's own tests under Wine: the message loop, the tray's id mapping and
# the hot key against a second process that holds F4. They make windows, so they run with a
# display (tests/win32/support/wine-session.sh), as one test.
add_executable(HotKeyHolder ${CMAKE_CURRENT_LIST_DIR}/HotKeyHolder.cpp)
target_link_options(HotKeyHolder PRIVATE -mwindows)
add_executable(vistrel_win32_os_tests ${CMAKE_CURRENT_LIST_DIR}/Win32LoopTest.cpp)
target_link_libraries(vistrel_win32_os_tests PRIVATE vistrel_os_win32 GTest::gtest_main)
target_compile_definitions(vistrel_win32_os_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
set_target_properties(vistrel_win32_os_tests HotKeyHolder PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/win32)
add_dependencies(vistrel_win32_os_tests HotKeyHolder)
vistrel_warnings(vistrel_win32_os_tests)
add_test(NAME win32_os_tests
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/support/wine-session.sh --
          $<TARGET_FILE:vistrel_win32_os_tests>)
set_tests_properties(win32_os_tests PROPERTIES LABELS win32-wine TIMEOUT 120
  RESOURCE_LOCK wine-prefix
  # A prefix of this build tree: another build's tests on the same machine use their own.
  ENVIRONMENT VISTREL_DISPLAY_WINEPREFIX=${CMAKE_BINARY_DIR}/wine-display-prefix)

# Hook.dll under Wine: real key presses, clicks, the wheel and motion from xdotool, through the
# program's loader and hook components; receivers that go, and loading and unloading.
add_executable(vistrel_win32_hook_tests ${CMAKE_CURRENT_LIST_DIR}/HookDllTest.cpp)
target_include_directories(vistrel_win32_hook_tests PRIVATE ${PROJECT_SOURCE_DIR}/hook)
target_compile_definitions(vistrel_win32_hook_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(vistrel_win32_hook_tests PRIVATE vistrel_win32_test_support
  GTest::gtest_main)
vistrel_warnings(vistrel_win32_hook_tests)
# The loader finds "Hook.dll" by its bare name, as the program does: the test adds the build's
# program folder to the library search path.
target_compile_definitions(vistrel_win32_hook_tests PRIVATE
  VISTREL_PROGRAM_FOLDER="${VISTREL_PROGRAM_DIR}")
add_dependencies(vistrel_win32_hook_tests Hook)
add_test(NAME win32_hook_dll
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/support/wine-session.sh --
    $<TARGET_FILE:vistrel_win32_hook_tests>)
set_tests_properties(win32_hook_dll PROPERTIES LABELS win32-wine TIMEOUT 180
  RESOURCE_LOCK wine-prefix)

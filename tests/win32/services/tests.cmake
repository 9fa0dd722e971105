# The Windows realisation's services against the real system under Wine: profile files, the
# Run value, the instance mutex, files, libraries and system facts. They need no display.
file(GLOB _vistrel_win32_service_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(vistrel_win32_service_tests ${_vistrel_win32_service_tests})
target_include_directories(vistrel_win32_service_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../../unit/os)
target_compile_definitions(vistrel_win32_service_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(vistrel_win32_service_tests PRIVATE vistrel_os_win32 vistrel_fake
  GTest::gmock GTest::gtest_main)
# The test hook library (tests/hooks) stands in for Hook.dll.
target_compile_definitions(vistrel_win32_service_tests PRIVATE
  VISTREL_TEST_HOOK_DIR="${VISTREL_TEST_HOOK_DIR}")
add_dependencies(vistrel_win32_service_tests vistrel_testhook)
vistrel_warnings(vistrel_win32_service_tests)
vistrel_wine_tests(vistrel_win32_service_tests)

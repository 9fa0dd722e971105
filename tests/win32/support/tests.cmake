# What the Windows tests of the hook library and the audio device share: helpers around the
# program's own platform, and the script that runs a test program under Wine with a display.
add_library(vistrel_win32_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/WineTestSupport.cpp)
target_include_directories(vistrel_win32_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_definitions(vistrel_win32_test_support PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(vistrel_win32_test_support PUBLIC vistrel_os_win32)
vistrel_warnings(vistrel_win32_test_support)

# The media player on the real MCI devices under Wine, with the sound written to a file: wave
# and MP3 to their end notifications and their samples, stop, pause and resume, files that
# cannot be played, and a sequencer that never advances.
add_executable(vistrel_win32_mci_tests ${CMAKE_CURRENT_LIST_DIR}/MciWineTest.cpp)
target_compile_definitions(vistrel_win32_mci_tests PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(vistrel_win32_mci_tests PRIVATE vistrel_win32_test_support
  GTest::gtest_main winmm)
vistrel_warnings(vistrel_win32_mci_tests)
add_test(NAME win32_mci
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/support/wine-session.sh --audio-file --
    $<TARGET_FILE:vistrel_win32_mci_tests>)
set_tests_properties(win32_mci PROPERTIES LABELS win32-wine TIMEOUT 240
  RESOURCE_LOCK wine-prefix)
# The same MP3 without the system's decoders (GStreamer finds no plugins): a clear error.
add_test(NAME win32_mci_without_decoders
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/win32/support/wine-session.sh --audio-file --
    $<TARGET_FILE:vistrel_win32_mci_tests> --gtest_filter=*Mp3*)
set_tests_properties(win32_mci_without_decoders PROPERTIES LABELS win32-wine TIMEOUT 120
  RESOURCE_LOCK wine-prefix
  ENVIRONMENT "VISTREL_TEST_NO_DECODERS=1;GST_PLUGIN_SYSTEM_PATH_1_0=/nonexistent;GST_PLUGIN_PATH_1_0=/nonexistent")

# The Linux audio device end to end: SDL's disk driver writes what would reach the speakers
# into a file the tests inspect. Needs no display (Qt's offscreen platform drives the loop).
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_audio_tests ${CMAKE_CURRENT_LIST_DIR}/AudioDeviceTest.cpp)
  target_include_directories(vistrel_audio_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../unit/os_linux)
  target_link_libraries(vistrel_audio_tests PRIVATE vistrel_os_linux GTest::gtest_main)
  vistrel_warnings(vistrel_audio_tests)
  gtest_discover_tests(vistrel_audio_tests
    PROPERTIES LABELS linux-e2e ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 120
    DISCOVERY_TIMEOUT 60)
endif()

# Not a test: renders one piece through the audio device into a file (tools/bench/fonts.sh).
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_render_music ${CMAKE_CURRENT_LIST_DIR}/RenderMusic.cpp)
  target_link_libraries(vistrel_render_music PRIVATE vistrel_os_linux)
  vistrel_warnings(vistrel_render_music)
endif()

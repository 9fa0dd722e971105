# The Qt peers of the ui components on Qt's offscreen platform: what the widgets show and what
# the user's actions on them do to the controls. Needs no display.
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_qt_peer_tests ${CMAKE_CURRENT_LIST_DIR}/QtPeersTest.cpp)
  target_link_libraries(vistrel_qt_peer_tests PRIVATE vistrel_os_linux vistrel_fake GTest::gtest
    GTest::gtest_main)
  vistrel_warnings(vistrel_qt_peer_tests)
  gtest_discover_tests(vistrel_qt_peer_tests PROPERTIES LABELS unit
    ENVIRONMENT QT_QPA_PLATFORM=offscreen DISCOVERY_TIMEOUT 60)
endif()

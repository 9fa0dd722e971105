# The tray icon on a real notification area: a demo program under Xvfb with trayer as host,
# driven by xdotool.
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_tray_demo ${CMAKE_CURRENT_LIST_DIR}/TrayDemo.cpp)
  target_link_libraries(vistrel_tray_demo PRIVATE vistrel_core vistrel_os_linux)
  vistrel_warnings(vistrel_tray_demo)
  if(COMMAND vistrel_embed_images)
    vistrel_embed_images(vistrel_tray_demo)
  endif()

  add_test(NAME tray_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/tray_e2e.sh $<TARGET_FILE:vistrel_tray_demo>
            ${CMAKE_BINARY_DIR}/e2e-artifacts/tray)
  set_tests_properties(tray_e2e PROPERTIES LABELS linux-e2e TIMEOUT 240 RUN_SERIAL TRUE)
endif()

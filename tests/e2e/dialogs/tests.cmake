# The Options and About dialogs on a real display: a demo program that shows them as the tray
# menu does, a stand-in screen saver that previews inside a given window, xdotool to drive.
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_dialog_demo ${CMAKE_CURRENT_LIST_DIR}/DialogDemo.cpp)
  target_link_libraries(vistrel_dialog_demo PRIVATE vistrel_core vistrel_os_linux)
  vistrel_warnings(vistrel_dialog_demo)
  vistrel_version_data(vistrel_dialog_demo)
  if(COMMAND vistrel_embed_images)
    vistrel_embed_images(vistrel_dialog_demo)
  endif()

  add_executable(vistrel_preview_window ${CMAKE_CURRENT_LIST_DIR}/PreviewWindow.cpp)
  find_package(X11 REQUIRED)
  target_link_libraries(vistrel_preview_window PRIVATE X11::X11)
  vistrel_warnings(vistrel_preview_window)
  add_executable(vistrel_close_window ${CMAKE_CURRENT_LIST_DIR}/CloseWindow.cpp)
  target_link_libraries(vistrel_close_window PRIVATE X11::X11)
  vistrel_warnings(vistrel_close_window)

  add_test(NAME dialogs_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dialogs_e2e.sh $<TARGET_FILE:vistrel_dialog_demo>
            $<TARGET_FILE:vistrel_preview_window> $<TARGET_FILE:vistrel_close_window>
            ${VISTREL_PROGRAM_DIR}
            ${CMAKE_BINARY_DIR}/e2e-artifacts/dialogs)
  set_tests_properties(dialogs_e2e PROPERTIES LABELS linux-e2e TIMEOUT 300 RUN_SERIAL TRUE)
  # The program folder's language files and music come from the resources.
  if(TARGET vistrel_resources)
    add_dependencies(vistrel_dialog_demo vistrel_resources)
  endif()
endif()

# The program itself end to end: a copy of the built program folder runs in a private Xvfb
# session with trayer as the notification area, driven with xdotool and read back through
# screenshots, OCR, the audio SDL writes to a file, the settings file and the autostart entry.
# Each scenario has a display, folders and single-instance lock of its own, so they can run
# side by side.
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  set(_vistrel_app_scenarios
    instance_tray   # start, second instance, tooltip, balloon, menu, SIGINT
    rest_interrupt  # the rest after a 1-minute work period, ended by F4
    rest_awaiting   # a rest that F4 may not end runs out; a mouse move resumes work
    exit_settings   # Exit and SIGTERM: settings, autostart entry, F4 released
    help_update     # Help through the desktop's opener, the updater, their error boxes
    display_loss)   # the X server dies under the program, with and without SIGTERM
  foreach(_scenario ${_vistrel_app_scenarios})
    add_test(NAME app_e2e_${_scenario}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${_scenario}.sh $<TARGET_FILE_DIR:Vistrel>
              ${CMAKE_BINARY_DIR}/e2e-artifacts/app/${_scenario}
              # Grabs F4 as another program would (tests/hooks).
              $<TARGET_FILE:vistrel_hook_e2e_tests>)
    set_tests_properties(app_e2e_${_scenario} PROPERTIES LABELS linux-e2e TIMEOUT 400)
  endforeach()
endif()

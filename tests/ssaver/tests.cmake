# The screen-saver host end to end under Xvfb: its launchers run real xscreensaver hacks full
# screen, as a preview inside a window, and as the settings message; the program writes the
# launchers when it starts.
if(VISTREL_LINUX_PLATFORM)
  add_executable(vistrel_saver_probe ${CMAKE_CURRENT_LIST_DIR}/SaverProbe.cpp)
  target_link_libraries(vistrel_saver_probe PRIVATE vistrel_os_linux)
  vistrel_warnings(vistrel_saver_probe)

  set(_vistrel_ssaver_program "")
  if(TARGET Vistrel)
    set(_vistrel_ssaver_program $<TARGET_FILE:Vistrel>)
  endif()
  add_test(NAME ssaver_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/ssaver_e2e.sh $<TARGET_FILE:VistrelScreenSaver>
            $<TARGET_FILE:vistrel_saver_probe> ${CMAKE_BINARY_DIR}/e2e-artifacts/ssaver
            ${_vistrel_ssaver_program})
  set_tests_properties(ssaver_e2e PROPERTIES LABELS linux-e2e TIMEOUT 300 RUN_SERIAL TRUE)
endif()

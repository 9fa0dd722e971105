# Vistrel.exe end to end under Wine, Xvfb and trayer (label win32-wine): each scenario has a
# Wine prefix, a display and a program folder of its own.
if(TARGET Vistrel)
  set(_vistrel_wine_scenarios
    dock_exit     # docking, animation, second start, tooltip, menu, Exit
    rest_f4       # the rest after a one-minute work period, ended by F4
    rest_idle     # a rest runs out; the idle time notices the first input of the session
    rest_music_hook # a music rest on MCI, ended by a key press through Hook.dll
    session_end   # wineboot -e closes the program as Exit does
    read_only)    # a settings file that cannot be written: the error box, the old file kept
  foreach(_scenario ${_vistrel_wine_scenarios})
    add_test(NAME wine_e2e_${_scenario}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/vistrel_wine.sh ${_scenario}
              $<TARGET_FILE_DIR:Vistrel> ${CMAKE_BINARY_DIR}/e2e-artifacts/wine/${_scenario}
              # Registers F4 as another program would (tests/win32/os).
              $<$<TARGET_EXISTS:HotKeyHolder>:$<TARGET_FILE:HotKeyHolder>>)
    set_tests_properties(wine_e2e_${_scenario} PROPERTIES LABELS win32-wine TIMEOUT 300
      SKIP_RETURN_CODE 77)
  endforeach()
  # The .zip that CPack makes, unpacked into a folder with a blank in its path.
  add_test(NAME wine_e2e_zip
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/zip_package.sh ${CMAKE_BINARY_DIR}
            ${CMAKE_BINARY_DIR}/e2e-artifacts/wine/zip)
  set_tests_properties(wine_e2e_zip PROPERTIES LABELS win32-wine TIMEOUT 300)
endif()

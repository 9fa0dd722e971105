# The dialogs on the Win32 peers under Wine (label win32-wine): a host program that shows them
# without the rest of the program, a window probe, a screen saver for the preview, and the
# script that drives them in a private X session and captures every page at three scales.
set(VISTREL_DIALOG_TOOLS ${CMAKE_CURRENT_BINARY_DIR}/dialog-tools)

add_executable(vistrel_dialog_host WIN32 ${CMAKE_CURRENT_LIST_DIR}/DialogHost.cpp)
target_link_libraries(vistrel_dialog_host PRIVATE vistrel_core vistrel_os_win32)
target_compile_definitions(vistrel_dialog_host PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
vistrel_warnings(vistrel_dialog_host)
vistrel_embed_images(vistrel_dialog_host)
vistrel_version_data(vistrel_dialog_host)

add_executable(vistrel_window_probe ${CMAKE_CURRENT_LIST_DIR}/WindowProbe.cpp)
set_target_properties(vistrel_window_probe PROPERTIES OUTPUT_NAME WindowProbe)

add_executable(vistrel_test_saver WIN32 ${CMAKE_CURRENT_LIST_DIR}/TestSaver.cpp)
set_target_properties(vistrel_test_saver PROPERTIES OUTPUT_NAME TestSaver SUFFIX .scr)

set_target_properties(vistrel_dialog_host vistrel_window_probe vistrel_test_saver PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${VISTREL_DIALOG_TOOLS})

# Through the real program when it is built (Options opened from its tray icon), else through
# the host alone.
if(TARGET Vistrel)
  set(_vistrel_dialogs_mode --exe)
  set(_vistrel_dialogs_program $<TARGET_FILE_DIR:Vistrel>)
else()
  set(_vistrel_dialogs_mode)
  set(_vistrel_dialogs_program ${VISTREL_PROGRAM_DIR})
endif()
add_test(NAME win32_dialogs
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/dialogs_wine.sh ${_vistrel_dialogs_mode}
          ${_vistrel_dialogs_program} ${VISTREL_DIALOG_TOOLS}
          ${CMAKE_BINARY_DIR}/e2e-artifacts/wine/dialogs)
set_tests_properties(win32_dialogs PROPERTIES LABELS win32-wine TIMEOUT 900 RUN_SERIAL ON)
if(VISTREL_WINE_DEFAULT_PREFIX)
  set_tests_properties(win32_dialogs PROPERTIES
    ENVIRONMENT WINEPREFIX=${VISTREL_WINE_DEFAULT_PREFIX})
endif()

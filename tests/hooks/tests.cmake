# The hook library: a test-only stand-in in three variants for the unit tests of the loader
# and the hook components (loaded through the real dynamic loader), and end-to-end tests of
# the real library and the hot key under a virtual X display.
set(VISTREL_TEST_HOOK_DIR ${CMAKE_BINARY_DIR}/testhooks)
set(VISTREL_TEST_HOOK_SOURCE ${CMAKE_CURRENT_LIST_DIR}/TestHook.cpp)

function(vistrel_test_hook target output)
  add_library(${target} MODULE ${VISTREL_TEST_HOOK_SOURCE})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${output}
    SUFFIX ${CMAKE_SHARED_MODULE_SUFFIX} CXX_VISIBILITY_PRESET hidden
    LIBRARY_OUTPUT_DIRECTORY ${VISTREL_TEST_HOOK_DIR})
  target_compile_definitions(${target} PRIVATE ${ARGN})
  if(WIN32)
    # A DLL that needs no MinGW runtime DLLs beside it.
    target_compile_definitions(${target} PRIVATE "TESTHOOK_API=__declspec(dllexport)")
    target_link_options(${target} PRIVATE -static)
  endif()
  vistrel_warnings(${target})
  add_dependencies(vistrel_unit_tests ${target})
endfunction()

vistrel_test_hook(vistrel_testhook TestHook)
vistrel_test_hook(vistrel_testhook_nolasterror TestHookNoLastError TESTHOOK_NO_LASTERROR)
vistrel_test_hook(vistrel_testhook_refusing TestHookRefusing TESTHOOK_REFUSE=-4)
target_compile_definitions(vistrel_unit_tests PRIVATE
  VISTREL_TEST_HOOK_DIR="${VISTREL_TEST_HOOK_DIR}")

if(VISTREL_LINUX_PLATFORM)
  # Runs under a private Xvfb session; exports the message service the hook library looks up.
  add_executable(vistrel_hook_e2e_tests
    ${CMAKE_CURRENT_LIST_DIR}/E2EMain.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HookE2ETest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/HotKeyE2ETest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandHookE2ETest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandMonitorPowerE2ETest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DesktopSessionE2ETest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EndRestE2ETest.cpp)
  target_link_libraries(vistrel_hook_e2e_tests PRIVATE vistrel_os_linux vistrel_fake GTest::gtest
    ${CMAKE_DL_LIBS})
  target_compile_definitions(vistrel_hook_e2e_tests PRIVATE
    VISTREL_HOOK_LIBRARY="$<TARGET_FILE:Hook>")
  set_target_properties(vistrel_hook_e2e_tests PROPERTIES ENABLE_EXPORTS ON)
  add_dependencies(vistrel_hook_e2e_tests Hook)
  vistrel_warnings(vistrel_hook_e2e_tests)
  add_test(NAME hook_e2e
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/lib/xsession.sh --no-tray --
      $<TARGET_FILE:vistrel_hook_e2e_tests>)
  set_tests_properties(hook_e2e PROPERTIES LABELS linux-e2e TIMEOUT 240)
  # The same library in a headless sway: the compositor's idle notification as the input source;
  # and monitor power there.
  add_test(NAME hook_wayland_e2e
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wayland_hook.sh $<TARGET_FILE:vistrel_hook_e2e_tests>
      $<TARGET_FILE:Hook>)
  set_tests_properties(hook_wayland_e2e PROPERTIES LABELS wayland-e2e TIMEOUT 120
    SKIP_RETURN_CODE 77)
  # GNOME and KDE sessions, their D-Bus services faked on a private bus; the Wayland name leads
  # nowhere, as the protocols are not what those desktops offer here.
  add_test(NAME desktop_session_e2e
    COMMAND dbus-run-session -- env -u DISPLAY WAYLAND_DISPLAY=/nonexistent/wayland-0
      $<TARGET_FILE:vistrel_hook_e2e_tests> --gtest_filter=DesktopSession.*)
  set_tests_properties(desktop_session_e2e PROPERTIES LABELS wayland-e2e TIMEOUT 60)

  # F4 through the desktop portal's global shortcuts, against a stand-in portal on a private
  # session bus.
  add_executable(vistrel_portal_tests ${CMAKE_CURRENT_LIST_DIR}/PortalShortcutsTest.cpp)
  target_link_libraries(vistrel_portal_tests PRIVATE vistrel_os_linux vistrel_fake
    GTest::gtest_main)
  vistrel_warnings(vistrel_portal_tests)
  add_test(NAME portal_shortcuts COMMAND dbus-run-session -- $<TARGET_FILE:vistrel_portal_tests>)
  set_tests_properties(portal_shortcuts PROPERTIES LABELS unit TIMEOUT 60)
endif()

# The program in a Wayland session: a headless sway run as an unprivileged user, with swaybar
# as the tray host and XWayland, driven with wtype (keys), the tests' own virtual pointer
# (tests/wayland/vptr.c) and read back through grim screenshots, the session bus and the
# audio SDL writes to a file (tests/wayland/lib/wlsession.sh).
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  include(${PROJECT_SOURCE_DIR}/cmake/WaylandProtocols.cmake)
  pkg_check_modules(VISTREL_WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)
  add_executable(vistrel_vptr ${CMAKE_CURRENT_LIST_DIR}/vptr.c)
  vistrel_wayland_protocols(vistrel_vptr wlr-virtual-pointer-unstable-v1.xml)
  target_link_libraries(vistrel_vptr PRIVATE PkgConfig::VISTREL_WAYLAND_CLIENT)
  # C: the project's warning set less its C++-only option.
  target_compile_options(vistrel_vptr PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    $<$<BOOL:${VISTREL_WERROR}>:-Werror>)

  set(_vistrel_wayland_scenarios
    tray           # the icon in swaybar, a click, a right click
    late_bar       # a bar started after the program, and started again
    rest_f4        # rests begin after a minute; F4 bound in sway ends only an allowed one
    rest_resume)   # after a rest that ran out, a key in a Wayland window starts work again
  foreach(_scenario ${_vistrel_wayland_scenarios})
    add_test(NAME wayland_e2e_${_scenario}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${_scenario}.sh $<TARGET_FILE_DIR:Vistrel>
              ${CMAKE_BINARY_DIR}/e2e-artifacts/wayland/${_scenario} $<TARGET_FILE:vistrel_vptr>)
    set_tests_properties(wayland_e2e_${_scenario} PROPERTIES LABELS wayland-e2e TIMEOUT 400)
  endforeach()
endif()

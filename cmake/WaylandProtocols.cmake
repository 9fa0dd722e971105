# Wayland protocol bindings, made at build time by wayland-scanner from the protocol's XML: a
# client header and the interface tables (private code, so two modules that carry the same
# protocol never clash). Linux only.
#
#   vistrel_wayland_protocols(<target> <xml>...)
#
# Each <xml> is a path, or a name looked up under the system's wayland-protocols folder
# ("staging/ext-idle-notify/ext-idle-notify-v1.xml"), then plasma-wayland-protocols ("idle.xml"),
# then the repository's protocols/ folder. The target gets the code and sees the headers as
# <name>-client-protocol.h.
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_get_variable(VISTREL_WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
if(NOT VISTREL_WAYLAND_PROTOCOLS_DIR)
  set(VISTREL_WAYLAND_PROTOCOLS_DIR /usr/share/wayland-protocols)
endif()
set(VISTREL_PLASMA_PROTOCOLS_DIR /usr/share/plasma-wayland-protocols)

function(vistrel_wayland_protocols target)
  # Outside the source-like folders of the build tree, so clang-tidy leaves generated code be.
  set(out ${CMAKE_BINARY_DIR}/wayland-protocols/${target})
  file(MAKE_DIRECTORY ${out})
  # The generated C is compiled apart, without the project's C++ warning flags.
  set(code ${target}_wayland_protocols)
  add_library(${code} OBJECT)
  set_target_properties(${code} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  foreach(xml ${ARGN})
    set(path "")
    foreach(dir "" ${VISTREL_WAYLAND_PROTOCOLS_DIR}/ ${VISTREL_PLASMA_PROTOCOLS_DIR}/
        ${PROJECT_SOURCE_DIR}/protocols/)
      if(NOT path AND EXISTS ${dir}${xml})
        set(path ${dir}${xml})
      endif()
    endforeach()
    if(NOT path)
      message(FATAL_ERROR "Wayland protocol ${xml} not found (install wayland-protocols and "
        "plasma-wayland-protocols)")
    endif()
    get_filename_component(name ${path} NAME_WE)
    add_custom_command(
      OUTPUT ${out}/${name}-client-protocol.h ${out}/${name}-protocol.c
      COMMAND ${WAYLAND_SCANNER} client-header ${path} ${out}/${name}-client-protocol.h
      COMMAND ${WAYLAND_SCANNER} private-code ${path} ${out}/${name}-protocol.c
      DEPENDS ${path}
      COMMENT "wayland-scanner ${name}"
      VERBATIM)
    target_sources(${code} PRIVATE ${out}/${name}-protocol.c)
    target_sources(${target} PRIVATE ${out}/${name}-client-protocol.h)
  endforeach()
  target_sources(${target} PRIVATE $<TARGET_OBJECTS:${code}>)
  target_include_directories(${target} PRIVATE ${out})
endfunction()

# End-to-end tests that run real programs under a private X session (tests/e2e/lib/xsession.sh).
# Each folder below brings its own tests.cmake.
file(GLOB _vistrel_e2e_fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*/tests.cmake)
foreach(_fragment ${_vistrel_e2e_fragments})
  include(${_fragment})
endforeach()

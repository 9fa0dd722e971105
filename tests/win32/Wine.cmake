# The cross-built tests run under Wine: GoogleTest from Debian's sources built by the cross
# toolchain, and CTest's emulator set to a script that runs each program with our Wine settings.
# Each folder below tests/win32 brings its own tests.cmake (label win32-wine).
set(VISTREL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
  "GoogleTest sources to build for Windows (Debian package googletest)")
if(NOT EXISTS ${VISTREL_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${VISTREL_GOOGLETEST_SOURCE}: install the "
    "Debian package googletest (scripts/install-deps.sh) or set VISTREL_GOOGLETEST_SOURCE.")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${VISTREL_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL
  SYSTEM)

set(VISTREL_WINE_LIB ${CMAKE_CURRENT_LIST_DIR}/lib/wine.sh)
set(VISTREL_WINE_DEFAULT_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ
  WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)

# A fragment registers each GoogleTest executable with vistrel_wine_tests(target [property
# value]...): its tests are found under Wine when CTest runs (the build never starts Wine) and
# get the label win32-wine. Scripts that drive Wine themselves source lib/wine.sh.
set(VISTREL_WINE_TEST_PROPERTIES LABELS win32-wine)
function(vistrel_wine_tests target)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${VISTREL_WINE_TEST_PROPERTIES} ${ARGN})
endfunction()

# GCC 12 warns falsely about std::string assignments from literals at -O3 (its bug 105329);
# the test sources assign many. Only the tests' own targets are concerned.
add_compile_options(-Wno-restrict)

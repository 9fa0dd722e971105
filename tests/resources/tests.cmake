# Content checks of what ships with the program: language files, music, help and pictures,
# run against the program folder of the build tree. Included from tests/CMakeLists.txt.
set(_res_tests ${CMAKE_CURRENT_LIST_DIR})

foreach(check languages music help images launcher)
  add_test(NAME resources_${check}
    COMMAND Python3::Interpreter ${_res_tests}/test_${check}.py
            --program-dir ${VISTREL_PROGRAM_DIR} --image-dir ${VISTREL_IMAGE_DIR}
            --source-dir ${PROJECT_SOURCE_DIR})
  set_tests_properties(resources_${check} PROPERTIES LABELS unit)
endforeach()

# The generators themselves: bad scores and damaged files are refused with a clear error.
add_test(NAME resources_generators
  COMMAND Python3::Interpreter ${_res_tests}/test_generators.py --source-dir ${PROJECT_SOURCE_DIR})
set_tests_properties(resources_generators PROPERTIES LABELS unit)

find_program(VISTREL_EXTRACT_CHMLIB extract_chmLib DOC "CHM extractor (Debian package libchm-bin)")
if(VISTREL_EXTRACT_CHMLIB)
  set_tests_properties(resources_help PROPERTIES
    ENVIRONMENT "VISTREL_EXTRACT_CHMLIB=${VISTREL_EXTRACT_CHMLIB}")
endif()

# Each shipped MIDI file played through SDL2_mixer into SDL's disk audio driver.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(VISTREL_SDL2_MIXER QUIET IMPORTED_TARGET SDL2_mixer sdl2)
endif()
if(VISTREL_SDL2_MIXER_FOUND)
  add_executable(midi_play_test ${_res_tests}/midi_play_test.c)
  target_link_libraries(midi_play_test PRIVATE PkgConfig::VISTREL_SDL2_MIXER)
  # Building the resources alone must leave their tests runnable.
  add_dependencies(vistrel_resources midi_play_test)
  file(GLOB _res_scores ${PROJECT_SOURCE_DIR}/resources/Music/Scores/*.score)
  set(_res_env)
  if(EXISTS /usr/share/sounds/sf2/FluidR3_GM.sf2)
    set(_res_env "SDL_SOUNDFONTS=/usr/share/sounds/sf2/FluidR3_GM.sf2")
  endif()
  foreach(score ${_res_scores})
    get_filename_component(base ${score} NAME_WE)
    string(MAKE_C_IDENTIFIER ${base} id)
    add_test(NAME resources_play_${id}
      COMMAND midi_play_test "${VISTREL_PROGRAM_DIR}/Music/${base}.mid"
              ${CMAKE_CURRENT_BINARY_DIR}/midi_play_${id}.raw)
    set_tests_properties(resources_play_${id} PROPERTIES LABELS unit TIMEOUT 120
      ENVIRONMENT "${_res_env}")
  endforeach()
else()
  message(STATUS "SDL2_mixer not found: the music playback tests are not built")
endif()

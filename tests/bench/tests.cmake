# The side-by-side benchmark (tools/bench/bench.sh) in its short mode: proves that the script
# still takes every measurement on a fresh machine. It asserts nothing about speed.
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  add_test(NAME bench_short
    COMMAND bash ${PROJECT_SOURCE_DIR}/tools/bench/bench.sh --short $<TARGET_FILE_DIR:Vistrel>)
  set_tests_properties(bench_short PROPERTIES LABELS bench TIMEOUT 600 RUN_SERIAL TRUE)
endif()

# Faults a user's machine deals the program, injected into the real program on a private X
# desktop: kills during saves, no notification area, a broken hook library, no audio device,
# unplayable music, a crashing screen saver, a display that goes away.
if(VISTREL_LINUX_PLATFORM AND TARGET Vistrel)
  add_test(NAME fault_injection
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/fault_injection.sh $<TARGET_FILE_DIR:Vistrel>
            ${CMAKE_BINARY_DIR}/e2e-artifacts/fault-injection)
  set_tests_properties(fault_injection PROPERTIES LABELS fault-injection TIMEOUT 900)
endif()

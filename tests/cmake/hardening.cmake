# Hardening: faults injected into a running game through the surfaces' hooks, and every bad
# input of the environment and the files, in process where the program can be driven there.
corvina_test_suite(hardening corvina_soak)
if(TARGET corvina_tests_hardening AND TARGET corvina_app)
  target_link_libraries(corvina_tests_hardening PRIVATE corvina_app)
endif()

# The SDL program's rows of the bad-input table: the real `corvina` run with a broken display,
# audio, font or data file beside it, each under a timeout so nothing can hang.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET corvina AND TARGET corvina-mkassets AND Python3_Interpreter_FOUND)
  add_test(NAME hardening_bad_inputs
           COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/hardening/run_bad_inputs.py
                   --program $<TARGET_FILE:corvina>
                   --mkassets $<TARGET_FILE:corvina-mkassets>
                   --work ${CMAKE_CURRENT_BINARY_DIR}/bad_inputs)
  set_tests_properties(hardening_bad_inputs PROPERTIES ENVIRONMENT "${CORVINA_PROGRAM_TEST_ENV}" TIMEOUT 300 LABELS hardening)
endif()

# The footsteps end to end: the real program under a virtual X server with SDL's disk audio
# driver, the recording measured left against right. Skips (status 77) without Xvfb, xdotool
# or ImageMagick.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET corvina AND Python3_Interpreter_FOUND)
  add_test(NAME corvina_sound_e2e
           COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/e2e/run_sound_e2e.py
                   --program $<TARGET_FILE:corvina>
                   --mkassets $<TARGET_FILE:corvina-mkassets>
                   --embedded $<TARGET_EXISTS:corvina_res_data>
                   --out ${CMAKE_CURRENT_BINARY_DIR}/sound_e2e)
  set_tests_properties(corvina_sound_e2e PROPERTIES ENVIRONMENT "${CORVINA_PROGRAM_TEST_ENV}" SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE LABELS e2e)
endif()

# The end-to-end tests: the real program under a virtual X server, driven by xdotool and checked
# on screenshots (windowed and full screen) and, for the footsteps, on a recording of SDL's disk
# audio driver measured left against right. They skip (status 77) without Xvfb, xdotool,
# ImageMagick or openbox.
find_package(Python3 COMPONENTS Interpreter)
if(TARGET corvina AND Python3_Interpreter_FOUND)
  function(corvina_e2e_test name script timeout out)
    add_test(NAME ${name}
             COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/e2e/${script}
                     --program $<TARGET_FILE:corvina>
                     --mkassets $<TARGET_FILE:corvina-mkassets>
                     --embedded $<TARGET_EXISTS:corvina_res_data>
                     --out ${CMAKE_CURRENT_BINARY_DIR}/${out})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${CORVINA_PROGRAM_TEST_ENV}" SKIP_RETURN_CODE 77
                         TIMEOUT ${timeout} RUN_SERIAL TRUE LABELS e2e)
  endfunction()
  corvina_e2e_test(corvina_e2e run_e2e.py 400 e2e)
  corvina_e2e_test(corvina_sound_e2e run_sound_e2e.py 300 sound_e2e)
endif()

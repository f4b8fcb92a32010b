# Footsteps in the running game and the main window's sound start-up, on the headless
# platform's recording audio device.
if(TARGET corvina_app)
  corvina_test_suite(sound_game corvina_app)
endif()

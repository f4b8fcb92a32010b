# The main-window suite also checks the SDL scancode translation (no window needed).
if(TARGET corvina_tests_app AND TARGET corvina_keymap_sdl)
  target_link_libraries(corvina_tests_app PRIVATE corvina_keymap_sdl)
endif()

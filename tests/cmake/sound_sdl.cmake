# The SDL2_mixer audio back end, played through SDL's disk driver (no sound card needed).
add_executable(corvina_tests_sound_sdl ${CMAKE_CURRENT_SOURCE_DIR}/sound_sdl/AudioSdlTest.cpp)
target_link_libraries(corvina_tests_sound_sdl PRIVATE corvina_audio_sdl corvina_sound GTest::gtest_main)
gtest_discover_tests(corvina_tests_sound_sdl WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} DISCOVERY_TIMEOUT 120)

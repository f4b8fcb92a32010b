# corvina-headless: the game on the headless platform, for scripted runs, traces and frames.
add_library(corvina_runner STATIC HeadlessOptions.cpp HeadlessRunner.cpp HeadlessSession.cpp Script.cpp Trace.cpp)
target_link_libraries(corvina_runner PUBLIC corvina_game corvina_png)

add_executable(corvina-headless HeadlessMain.cpp)
target_link_libraries(corvina-headless PRIVATE corvina_runner corvina_platform_headless)

# corvina-soak: a long game under seeded random input, invariants checked every frame.
add_library(corvina_soak STATIC Soak.cpp)
target_link_libraries(corvina_soak PUBLIC corvina_runner)
add_executable(corvina-soak SoakMain.cpp)
target_link_libraries(corvina-soak PRIVATE corvina_soak corvina_platform_headless)

# corvina-headless: the game on the headless platform, for scripted runs, traces and frames.
add_library(corvina_runner STATIC HeadlessOptions.cpp HeadlessRunner.cpp HeadlessSession.cpp Script.cpp Trace.cpp)
target_link_libraries(corvina_runner PUBLIC corvina_game corvina_png)

add_executable(corvina-headless HeadlessMain.cpp)
target_link_libraries(corvina-headless PRIVATE corvina_runner corvina_platform_headless)

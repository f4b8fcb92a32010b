# A short soak in every test run (the long one is run by hand: corvina-soak --frames 1000000).
add_test(NAME soak_10k_frames COMMAND corvina-soak --frames 10000 --seed 7)
add_test(NAME soak_10k_frames_high_res COMMAND corvina-soak --frames 5000 --seed 11 --high-res)

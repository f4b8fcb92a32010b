# The headless runner: script parsing, options and scripted runs through the trace.
corvina_test_suite(headless corvina_soak)

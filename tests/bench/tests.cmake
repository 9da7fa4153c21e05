# The playback comparison's reading of its recordings (bench/playback).
add_test(NAME bench_playback_analysis COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/playback_analysis_test.py)

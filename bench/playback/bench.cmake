# Playback measurements: CPU and memory while playing, the gap between
# songs, position accuracy, open times. run.sh drives them.
add_executable(bench_playback ${CMAKE_CURRENT_LIST_DIR}/bench_playback.cpp)
target_link_libraries(bench_playback PRIVATE velmaris_platform)

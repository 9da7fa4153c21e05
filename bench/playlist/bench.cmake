# bench_playlist: a 100,000-line playlist opened, shown, saved, edited and
# searched, and a folder of tagged files added. Not a test.
add_executable(bench_playlist
  ${CMAKE_CURRENT_LIST_DIR}/bench_playlist.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/TagBytes.cpp)
target_link_libraries(bench_playlist PRIVATE velmaris_ui)
target_include_directories(bench_playlist PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)

# bench_playlist_tags: a 10,000-entry .m3u of tagged files opened in a tag
# display mode, the tags read on one thread and on the pool, warm and cold.
add_executable(bench_playlist_tags
  ${CMAKE_CURRENT_LIST_DIR}/bench_playlist_tags.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/TagBytes.cpp)
target_link_libraries(bench_playlist_tags PRIVATE velmaris_engine)
target_include_directories(bench_playlist_tags PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)

# bench_m3u_memory: the peak memory of opening a huge .m3u of short lines.
add_executable(bench_m3u_memory ${CMAKE_CURRENT_LIST_DIR}/bench_m3u_memory.cpp)
target_link_libraries(bench_m3u_memory PRIVATE velmaris_engine)
target_include_directories(bench_m3u_memory PRIVATE ${PROJECT_SOURCE_DIR}/src)

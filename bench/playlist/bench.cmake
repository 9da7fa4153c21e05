# bench_playlist: a 100,000-line playlist opened, shown, saved, edited and
# searched, and a folder of tagged files added. Not a test.
add_executable(bench_playlist
  ${CMAKE_CURRENT_LIST_DIR}/bench_playlist.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/TagBytes.cpp)
target_link_libraries(bench_playlist PRIVATE velmaris_ui)
target_include_directories(bench_playlist PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)

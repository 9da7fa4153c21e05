# bench_tags: how many files per second the tag summary reads, next to
# TagLib (when installed; only for comparison, never used by the player) and
# to the bare cost of opening a file and reading its two ends.
add_executable(bench_tags
  ${CMAKE_CURRENT_LIST_DIR}/TagReadBench.cpp
  ${PROJECT_SOURCE_DIR}/tests/support/TagBytes.cpp)
target_link_libraries(bench_tags PRIVATE velmaris_core)
target_include_directories(bench_tags PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(VELMARIS_TAGLIB QUIET IMPORTED_TARGET taglib)
endif()
if(VELMARIS_TAGLIB_FOUND)
  target_link_libraries(bench_tags PRIVATE PkgConfig::VELMARIS_TAGLIB)
  target_compile_definitions(bench_tags PRIVATE VELMARIS_BENCH_TAGLIB=1)
else()
  message(STATUS "bench_tags: TagLib not found (package libtag1-dev); its comparison is left out")
endif()

velmaris_test(NAME tests_playlist_files
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tokens_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kconvert_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fileoptions_test.cpp
  LIBS velmaris_core)
# The playlist of the engine, no window: lines, files, editing, finding.
velmaris_test(NAME tests_playlist
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/playlist_lines_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playlist_files_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playlist_editing_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playlist_find_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playlist_texts_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playlist_formats_test.cpp
  LIBS velmaris_engine_test_support)

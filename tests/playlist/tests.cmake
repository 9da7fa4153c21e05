velmaris_test(NAME tests_playlist_files
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tokens_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kconvert_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fileoptions_test.cpp
  LIBS velmaris_core)

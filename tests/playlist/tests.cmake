velmaris_test(NAME tests_playlist_files
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/tokens_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kconvert_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/fileoptions_test.cpp
  LIBS velmaris_core)
# The playlist in the main window: lines, files, editing, quick find.
velmaris_test(NAME tests_playlist_window
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/window_model_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_files_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_editing_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_quickfind_test.cpp
  LIBS velmaris_window_test_support)

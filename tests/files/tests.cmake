# All-or-nothing saves and bounded reads of regular files.
velmaris_test(NAME tests_files
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/atomic_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/safe_read_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_text_test.cpp
  LIBS velmaris_core)

velmaris_test(NAME tests_skinscript
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/skinscript_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_description_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/skin_list_test.cpp
  LIBS velmaris_core)

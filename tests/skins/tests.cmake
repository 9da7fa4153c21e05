velmaris_test(NAME tests_skinscript
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/skinscript_test.cpp
  LIBS velmaris_core)

velmaris_test(NAME tests_ini SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini_profile_test.cpp LIBS velmaris_core)

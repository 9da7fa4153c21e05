velmaris_test(NAME tests_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_options_test.cpp LIBS velmaris_core)

velmaris_test(NAME tests_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_options_test.cpp LIBS velmaris_core)
velmaris_test(NAME tests_startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_close_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_behaviour_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_player_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_view_test.cpp LIBS velmaris_window_test_support)

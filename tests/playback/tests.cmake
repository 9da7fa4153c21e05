velmaris_test(NAME tests_playback
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/transport_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/position_timer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/volume_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf8text_test.cpp
  LIBS velmaris_window_test_support)

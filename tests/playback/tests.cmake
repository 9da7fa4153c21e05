# The player's pure rules: texts, volume steps, line choice, UTF-8 captions.
# The line-choice table lives with the playlist's tests but needs nothing
# more than the core library.
velmaris_test(NAME tests_player_rules
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/player_texts_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/volume_steps_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf8text_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../playlist/line_choice_test.cpp
  LIBS velmaris_core)
# The player engine with a scripted device and no window.
velmaris_test(NAME tests_engine
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/engine_transport_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_timer_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_volume_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_gapless_test.cpp
  LIBS velmaris_engine_test_support)
# The engine with the real device, through a simulated output.
velmaris_test(NAME tests_engine_device
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_device_test.cpp
  LIBS velmaris_engine_test_support)

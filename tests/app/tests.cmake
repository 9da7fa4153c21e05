velmaris_test(NAME tests_settings SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_options_test.cpp LIBS velmaris_core)
velmaris_test(NAME tests_startup SOURCES ${CMAKE_CURRENT_LIST_DIR}/startup_close_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_behaviour_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_command_line SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp LIBS velmaris_core)
velmaris_test(NAME tests_player_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/player_view_test.cpp LIBS velmaris_window_test_support)
# The playlist panel as the window shows it: quick-find box, keys, hints,
# drops, popup and label.
velmaris_test(NAME tests_playlist_view SOURCES ${CMAKE_CURRENT_LIST_DIR}/playlist_view_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_options_dialog SOURCES ${CMAKE_CURRENT_LIST_DIR}/options_dialog_test.cpp LIBS velmaris_window_test_support)
velmaris_test(NAME tests_skin_loading SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_skin_loading_test.cpp LIBS velmaris_window_test_support)
# The bundled skins are loaded from the build's Skins folder.
add_dependencies(tests_skin_loading velmaris_skins)
# The installed layout: one program that runs from its prefix.
add_test(NAME install_layout COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
# The skin window through AT-SPI under Xvfb: names, roles, states, values,
# actions, announcements and the keyboard's walk (skipped when the display,
# window manager or accessibility tools are not installed).
add_test(NAME accessibility COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/accessibility-test.sh $<TARGET_FILE:velmaris>)
set_tests_properties(accessibility PROPERTIES TIMEOUT 240 SKIP_RETURN_CODE 77
  ENVIRONMENT "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp")
velmaris_test(NAME tests_keyboard_focus SOURCES ${CMAKE_CURRENT_LIST_DIR}/keyboard_focus_test.cpp LIBS velmaris_window_test_support)

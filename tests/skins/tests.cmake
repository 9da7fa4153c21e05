velmaris_test(NAME tests_skinscript
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/skinscript_test.cpp
  LIBS velmaris_core)
velmaris_test(NAME tests_skin_loading
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/window_skin_loading_test.cpp
  LIBS velmaris_window_test_support)
# The bundled skins are loaded from the build's Skins folder.
add_dependencies(tests_skin_loading velmaris_skins)

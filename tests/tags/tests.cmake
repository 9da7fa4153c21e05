velmaris_test(NAME tests_tags
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Id3v1Test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Id3v2Test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Kid3libTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AllVersionsTest.cpp
  LIBS velmaris_core)
add_dependencies(tests_tags velmaris_fixtures)

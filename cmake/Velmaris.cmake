# Shared helpers for the Velmaris build.

# velmaris_test(NAME <name> SOURCES ... LIBS ...)
# One GoogleTest executable, run headless by CTest.
function(velmaris_test)
  cmake_parse_arguments(VT "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${VT_NAME} ${VT_SOURCES})
  target_link_libraries(${VT_NAME} PRIVATE ${VT_LIBS} velmaris_test_support GTest::gtest GTest::gtest_main)
  target_include_directories(${VT_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${VT_NAME} COMMAND ${VT_NAME})
  set_tests_properties(${VT_NAME} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SDL_AUDIODRIVER=dummy;VELMARIS_FIXTURES=${PROJECT_BINARY_DIR}/fixtures;VELMARIS_SOURCE=${PROJECT_SOURCE_DIR};LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp"
    TIMEOUT 300)
endfunction()

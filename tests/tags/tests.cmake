velmaris_test(NAME tests_tags
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/Id3v1Test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Id3v2Test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Kid3libTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AllVersionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VorbisCommentTest.cpp
  LIBS velmaris_core)
add_dependencies(tests_tags velmaris_fixtures)

# Both readings of the tag summary printed for files, and byte-built files of
# every ID3v2 version; the script holds them against python3-mutagen.
add_executable(tags_dump ${CMAKE_CURRENT_LIST_DIR}/TagSummaryDump.cpp)
target_link_libraries(tags_dump PRIVATE velmaris_test_support)
add_dependencies(tests_tags tags_dump)
# The system's python3, which the Debian package python3-mutagen belongs to
# (not one of another installation that comes first on the path).
find_program(VELMARIS_SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(VELMARIS_SYSTEM_PYTHON3 python3)
if(VELMARIS_SYSTEM_PYTHON3)
  add_test(NAME tags_compare_with_mutagen
           COMMAND ${VELMARIS_SYSTEM_PYTHON3} ${CMAKE_CURRENT_LIST_DIR}/compare_with_mutagen.py
                   $<TARGET_FILE:tags_dump> --fixtures)
endif()

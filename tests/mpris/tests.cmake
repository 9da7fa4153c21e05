# The media controls' own rules: the queue of remote commands, the position
# the bus thread tells between two states.
velmaris_test(NAME tests_media_controls
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/remote_commands_test.cpp
  LIBS velmaris_mpris)

# Sources of src/text (std only): text helpers shared by the playlist readers,
# the skin scripts and every text shown: line rules, tokens, UTF-8.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TextLines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Tokens.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Utf8Text.cpp)

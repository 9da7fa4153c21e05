# Sources of src/tags. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/TagFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TagRewrite.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Id3v1.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Id3v2.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TagText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Id3v2Frames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Kid3lib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VorbisComment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VorbisContainer.cpp)

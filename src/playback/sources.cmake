# Sources of src/playback: pure rules (std only) and the player engine (QtCore).
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PlayerTexts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/VolumeSteps.cpp)
if(TARGET velmaris_engine)
  target_sources(velmaris_engine PRIVATE ${CMAKE_CURRENT_LIST_DIR}/PlaybackEngine.cpp)
endif()

# Sources of src/playback. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Utf8Text.cpp)

if(TARGET velmaris_ui)
  target_sources(velmaris_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Transport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PositionTimer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Volume.cpp)
endif()

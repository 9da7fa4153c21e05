# Sources of src/skins (std only): skin scripts read into values, the skin list.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/SkinScript.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinDescription.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SkinList.cpp)

# Sources of src/skins. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SkinScript.cpp)
if(TARGET velmaris_ui)
  target_sources(velmaris_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SkinLoader.cpp)
endif()
# Skin list and bitmap paths (std only); the list-box helpers are in SkinLoader.cpp.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/SkinList.cpp)

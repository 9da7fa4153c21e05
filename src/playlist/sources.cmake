# Sources of src/playlist. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PathRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Tokens.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Kconvert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Fileoptions.cpp)
if(TARGET velmaris_ui)
  target_sources(velmaris_ui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PlayListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayListBox.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayListOps.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayListEditing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/QuickFind.cpp)
endif()

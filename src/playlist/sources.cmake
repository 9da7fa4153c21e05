# Sources of src/playlist: readers and rules (std only), the playlist (QtCore).
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/PathRules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Kconvert.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Fileoptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LineChoice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ParallelTexts.cpp)
if(TARGET velmaris_engine)
  target_sources(velmaris_engine PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/PlayListModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlayList.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BackgroundWork.cpp)
endif()

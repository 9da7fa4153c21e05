# Sources of src/options. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/FileExtension.cpp)
if(TARGET velmaris_ui)
  target_sources(velmaris_ui PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ShowOptions.cpp ${CMAKE_CURRENT_LIST_DIR}/OptionsDlg.cpp)
endif()

# Sources of src/options (std only): the settings record, file associations.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Tvelmarisoptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileExtension.cpp)

# Sources of src/options (std only): the settings record, file associations
# and their mirror in the desktop's own files (XDG).
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Tvelmarisoptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileExtension.cpp
  ${CMAKE_CURRENT_LIST_DIR}/XdgSync.cpp)

# Sources of src/files: all-or-nothing saves and bounded reads of regular files (std + POSIX).
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AtomicFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SafeRead.cpp)

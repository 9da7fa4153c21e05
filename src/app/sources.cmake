# Sources of src/app. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Tvelmarisoptions.cpp)

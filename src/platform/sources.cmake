# Sources of src/platform. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/IniProfile.cpp)
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp)
if(TARGET velmaris_platform)
  target_sources(velmaris_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/QtUserDialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlatformFactory.cpp)
endif()

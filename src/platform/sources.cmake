# Sources of src/platform. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/IniProfile.cpp)
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp)
if(TARGET velmaris_platform)
  target_sources(velmaris_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/QtUserDialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlatformFactory.cpp)
endif()
target_sources(velmaris_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/RegistryStore.cpp ${CMAKE_CURRENT_LIST_DIR}/XdgSync.cpp)
# Media device and wave-out volume: mpg123 decoding, SDL2 output.
if(TARGET velmaris_platform)
  target_sources(velmaris_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Mpg123SdlDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SdlAudioOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NullMediaDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileWaveOutVolume.cpp)
endif()

# Sources of src/platform. Core units (std library only) go to velmaris_core.
target_sources(velmaris_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IniProfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Paths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RegistryStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WavHeader.cpp)
# Media device and wave-out volume: mpg123 decoding, PulseAudio or SDL2
# output (QtCore).
if(TARGET velmaris_platform)
  target_sources(velmaris_platform PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/Mpg123Decoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AudioDecoderFactory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AudioPlayer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AudioPlayerThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/AudioPlayerDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimulatedAudioOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SdlAudioOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PulseAudioOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PreferredAudioOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/NullMediaDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileWaveOutVolume.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlatformFactory.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SongFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StereoFold.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExtraFormatDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FlacDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/OpusDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VorbisDecoder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WavDecoder.cpp)
endif()
# Message boxes and file dialogs (QtWidgets).
if(TARGET velmaris_dialogs)
  target_sources(velmaris_dialogs PRIVATE ${CMAKE_CURRENT_LIST_DIR}/QtUserDialogs.cpp)
endif()

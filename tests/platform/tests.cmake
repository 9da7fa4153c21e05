velmaris_test(NAME tests_ini SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini_profile_test.cpp LIBS velmaris_core)
# Media device (the real one through a simulated output and through a
# private PulseAudio server, and the scripted fake), the MP3 decoder, and
# the wave-out volume file.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PULSE_SIMPLE REQUIRED IMPORTED_TARGET libpulse-simple)
velmaris_test(NAME tests_platform_media
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/media_decoder_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/media_player_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/media_pulse_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/media_null_test.cpp
  LIBS velmaris_platform PkgConfig::PULSE_SIMPLE)
velmaris_test(NAME tests_platform_volume
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/volume_file_test.cpp
  LIBS velmaris_platform)
# What the real message boxes show (no window needed).
velmaris_test(NAME tests_platform_dialogs
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_text_test.cpp
  LIBS velmaris_dialogs)
# The FLAC, Opus, Ogg Vorbis and WAV decoders against flac, opusdec and oggdec.
velmaris_test(NAME tests_platform_formats
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/extra_formats_test.cpp ${CMAKE_CURRENT_LIST_DIR}/extra_formats_bad_test.cpp
  LIBS velmaris_platform)

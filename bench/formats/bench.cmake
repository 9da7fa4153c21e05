# bench_decode: decoding CPU per minute of audio of the FLAC, Opus and Ogg
# Vorbis decoders next to flac -d, opusdec and oggdec on the same files.
# bench_vorbis_tags: Vorbis comments of many FLAC files, next to TagLib.
add_executable(bench_decode ${CMAKE_CURRENT_LIST_DIR}/DecodeBench.cpp)
target_link_libraries(bench_decode PRIVATE velmaris_platform)

add_executable(bench_vorbis_tags ${CMAKE_CURRENT_LIST_DIR}/VorbisTagBench.cpp)
target_link_libraries(bench_vorbis_tags PRIVATE velmaris_core)
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(VELMARIS_TAGLIB_VC QUIET IMPORTED_TARGET taglib)
endif()
if(VELMARIS_TAGLIB_VC_FOUND)
  target_link_libraries(bench_vorbis_tags PRIVATE PkgConfig::VELMARIS_TAGLIB_VC)
  target_compile_definitions(bench_vorbis_tags PRIVATE VELMARIS_BENCH_TAGLIB=1)
endif()

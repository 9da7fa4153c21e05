#pragma once
// The decoders of the formats beyond MP3, one unit each. Each throws
// AudioDecoderError with the text to show when the file cannot be opened.
#include "platform/AudioDecoder.h"

#include <memory>
#include <string>

std::unique_ptr<AudioDecoder> OpenFlacDecoder(const std::string& path);
std::unique_ptr<AudioDecoder> OpenOpusDecoder(const std::string& path);
std::unique_ptr<AudioDecoder> OpenVorbisDecoder(const std::string& path);
std::unique_ptr<AudioDecoder> OpenWavDecoder(const std::string& path);

#include "platform/AudioDecoder.h"
#include "platform/Mpg123Decoder.h"

std::unique_ptr<AudioDecoder> OpenAudioDecoder(const std::string& path) {
  if (auto decoder = OpenExtraFormatDecoder(path)) return decoder;
  return std::make_unique<Mpg123Decoder>(path);
}

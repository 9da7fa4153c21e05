#include "platform/AudioDecoder.h"

// A build with MP3 only: no other format is recognised.
std::unique_ptr<AudioDecoder> OpenExtraFormatDecoder(const std::string& path) {
  (void)path;
  return nullptr;
}

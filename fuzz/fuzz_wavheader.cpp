// Arbitrary bytes as a WAV file: the header walk ends, and an accepted
// layout names whole frames that lie inside the file.
#include "platform/WavHeader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto fileSize = static_cast<int64_t>(size);
  const WavReadAt read = [&](int64_t at, void* dst, size_t n) {
    if (at < 0 || at > fileSize || static_cast<uint64_t>(fileSize - at) < n) return false;
    if (n > 0) std::memcpy(dst, data + at, n);
    return true;
  };
  WavLayout wav;
  std::string why;
  if (ParseWavHeader(read, fileSize, wav, why) != WavHeaderStatus::Ok) {
    if (why.empty()) __builtin_trap();
    return 0;
  }
  if (wav.bytesPerFrame <= 0 || wav.dataBytes < 0 || wav.dataBytes % wav.bytesPerFrame != 0) __builtin_trap();
  if (wav.dataOffset < 0 || wav.dataOffset + wav.dataBytes > fileSize) __builtin_trap();
  return 0;
}

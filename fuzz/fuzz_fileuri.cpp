#include <cstddef>
#include <cstdint>
#include <string>

#include "playlist/Kconvert.h"

// file:// URIs of playlist entries: decoding never grows a text, never gives
// a NUL byte, and leaves every text that is not a local file URI alone.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string entry(reinterpret_cast<const char*>(data), size);
  const std::string path = Kconvert::FileUriToPath(entry);
  if (path.size() > entry.size()) __builtin_trap();
  if (path != entry) {
    if (path.empty() || path[0] != '/') __builtin_trap();
    if (path.find('\0') != std::string::npos) __builtin_trap();
  }
  return 0;
}

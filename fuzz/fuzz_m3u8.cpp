#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/Kconvert.h"

// UTF-8 M3U: comment and blank lines dropped, entries resolved (file:// URIs
// decoded, relative and Windows-style entries put under the list's folder).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".m3u8");
  const std::vector<std::string> raw = Kconvert::ReadM3u8(path);
  for (const std::string& entry : raw) {
    if (entry.empty() || entry[0] == '#' || entry.front() == ' ' || entry.back() == ' ') __builtin_trap();
  }
  const std::vector<std::string> list = Kconvert::PlaylistReaderFor(path)(path);
  if (list.size() != raw.size()) __builtin_trap();
  for (const std::string& entry : list) {
    if (entry.find('\0') != std::string::npos) __builtin_trap();
  }
  return 0;
}

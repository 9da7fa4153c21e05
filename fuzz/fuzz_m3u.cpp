#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/Kconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".m3u");
  std::vector<std::string> list = Kconvert::ReadM3u(path);
  Kconvert::MakeAbsolutePaths(path, list);
  if (Kconvert::ReadM3uEntries(path).size() != list.size()) __builtin_trap();
  for (const std::string& entry : list) {
    if (entry.find('#') != std::string::npos) __builtin_trap();
  }
  return 0;
}

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/Kconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".pls");
  const std::vector<std::string> list = Kconvert::ReadPls(path);
  if (list.size() > size) __builtin_trap();
  if (Kconvert::ReadPlsEntries(path).size() != list.size()) __builtin_trap();
  return 0;
}

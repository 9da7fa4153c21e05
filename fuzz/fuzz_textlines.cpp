#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/Kconvert.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".vpls");
  const std::vector<std::string> lines = Kconvert::ReadTextLines(path);
  // Lines never hold a line end or a NUL, and never outnumber the bytes.
  if (lines.size() > size) __builtin_trap();
  for (const std::string& line : lines) {
    if (line.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) __builtin_trap();
  }
  // Joining and splitting again gives the same lines.
  if (Kconvert::SplitTextLines(Kconvert::JoinLinesCrLf(lines)) != lines) __builtin_trap();
  return 0;
}

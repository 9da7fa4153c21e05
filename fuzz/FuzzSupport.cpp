#include "FuzzSupport.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

const std::string& WriteFuzzInput(const uint8_t* data, size_t size, const char* extension) {
  static std::string path;
  if (path.empty()) {
    path = "/tmp/velmaris-fuzz-" + std::to_string(::getpid()) + extension;
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write fuzz input");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}

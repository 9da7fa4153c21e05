#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "playlist/Kconvert.h"
#include "text/Tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".b4s");
  const std::vector<std::string> list = Kconvert::ReadB4s(path);
  for (const std::string& entry : list) {
    if (entry.empty()) __builtin_trap();
  }
  // The scanner on the raw bytes too, with delimiters taken from the input.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const size_t cut = size / 3;
  const std::string open = text.substr(0, cut % 5);
  const std::string close = text.substr(cut, cut % 4);
  (void)Tokens::TokenBetween(text, open, close);
  (void)Tokens::TokensBetween(text, open, close);
  return 0;
}

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "skins/SkinScript.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".vskin");
  const std::string text = ReadSkinScriptText(path);
  for (std::string_view key : SkinScriptKeys) {
    const std::string value = SkinValue(text, std::string(key));
    try {
      (void)StringToColor(value);
    } catch (const std::invalid_argument&) {
    }
  }
  // The colour parser on the raw input as well.
  try {
    (void)StringToColor(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::invalid_argument&) {
  }
  return 0;
}

#include "skins/SkinDescription.h"

#include <stdexcept>

SkinDescription ParseSkin(const std::string& text) {
  SkinDescription d;
  for (size_t i = 0; i < SkinScriptKeys.size(); ++i) d.Values[i] = SkinValue(text, std::string(SkinScriptKeys[i]));
  for (size_t i = 0; i < SkinScriptKeys.size(); ++i) {
    if (!SkinDescription::IsColorKey(i)) continue;
    try {
      d.Colors[i] = StringToColor(d.Values[i]);
    } catch (const std::invalid_argument& e) {
      d.FirstBad = i;
      d.Error = e.what();
      break;
    }
  }
  return d;
}

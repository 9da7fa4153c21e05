#pragma once
// A skin script read into plain values. The window applies a skin step by
// step in the order of SkinScriptKeys; a colour value that is not valid stops
// the loading there, with the steps before it applied. Standard library only.
#include <array>
#include <cstdint>
#include <string>

#include "skins/SkinScript.h"

// Colour values with a meaning of their own (0x00BBGGRR otherwise; values
// with the top bit set name a system colour by their low byte).
inline constexpr uint32_t kSkinColorNone = 0x1FFFFFFF;
inline constexpr uint32_t kSkinColorDefault = 0x20000000;

struct SkinDescription {
  // The index of each key in SkinScriptKeys.
  enum Key : size_t {
    Name, Author, TranspColor, MainImage, ProgBGColor, ProgBarColor, MainFontColor, BoxFontColor, BoxBGColor,
    PlyLstBGColor, PlyLstFontColor, PlyLstBarColor
  };
  std::array<std::string, SkinScriptKeys.size()> Values;  // raw texts
  std::array<uint32_t, SkinScriptKeys.size()> Colors{};   // parsed, for colour keys before FirstBad
  // The first key whose value is not a colour (SkinScriptKeys.size() when
  // every colour is valid), and the error it gives.
  size_t FirstBad = SkinScriptKeys.size();
  std::string Error;

  static bool IsColorKey(size_t key) { return key != Name && key != Author && key != MainImage; }
  // True when step `key` may be applied (it lies before the first bad value).
  bool Applies(size_t key) const { return key < FirstBad; }
};

// The values of a script text (see ReadSkinScriptText).
SkinDescription ParseSkin(const std::string& text);

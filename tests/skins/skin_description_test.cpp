// A skin script read into values: which steps apply and the error of the
// first value that is not a colour.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skins/SkinDescription.h"

namespace {

using K = SkinDescription::Key;

// One pair per line, in the order of the keys, with one value replaced.
std::string Script(size_t replaced = SkinScriptKeys.size(), const std::string& value = "") {
  const std::vector<std::string> values = {"Steel", "Jo", "$FF00FF", "skin.bmp", "$000080", "clYellow",
                                           "clAqua", "65280", "clNavy", "-1", "clBtnFace", "0x102030"};
  std::string text = "[skin]\r\n";
  for (size_t i = 0; i < SkinScriptKeys.size(); ++i)
    text += std::string(SkinScriptKeys[i]) + (i == replaced ? value : values[i]) + ";\r\n";
  return text;
}

TEST(ParseSkin, EveryValueOfAGoodScript) {
  const SkinDescription d = ParseSkin(Script());
  EXPECT_EQ(d.FirstBad, SkinScriptKeys.size());
  EXPECT_EQ(d.Error, "");
  EXPECT_EQ(d.Values[K::Name], "Steel");
  EXPECT_EQ(d.Values[K::Author], "Jo");
  EXPECT_EQ(d.Values[K::MainImage], "skin.bmp");
  const std::vector<std::pair<K, uint32_t>> colours = {
      {K::TranspColor, 0xFF00FF},    {K::ProgBGColor, 0x000080},   {K::ProgBarColor, 0x00FFFF},
      {K::MainFontColor, 0xFFFF00},  {K::BoxFontColor, 0x00FF00},  {K::BoxBGColor, 0x800000},
      {K::PlyLstBGColor, 0xFFFFFFFF}, {K::PlyLstFontColor, 0xFF00000F}, {K::PlyLstBarColor, 0x102030}};
  for (const auto& [key, value] : colours) {
    EXPECT_TRUE(d.Applies(key)) << key;
    EXPECT_EQ(d.Colors[key], value) << key;
  }
}

TEST(ParseSkin, TheFirstBadColourStopsThereWithItsValueInTheError) {
  struct Case {
    size_t Key;
    std::string Value;
  };
  const std::vector<Case> cases = {{K::TranspColor, "magenta"}, {K::ProgBGColor, ""},
                                   {K::BoxBGColor, "black"},    {K::PlyLstBarColor, "clLime "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    const SkinDescription d = ParseSkin(Script(c.Key, c.Value));
    EXPECT_EQ(d.FirstBad, c.Key);
    EXPECT_EQ(d.Error, "'" + c.Value + "' is not a valid integer value");
    EXPECT_TRUE(d.Applies(c.Key - 1));
    EXPECT_FALSE(d.Applies(c.Key));
    EXPECT_FALSE(d.Applies(K::PlyLstBarColor));
  }
  // Name, author and bitmap are no colours: any text passes.
  EXPECT_EQ(ParseSkin(Script(K::MainImage, "black")).FirstBad, SkinScriptKeys.size());
  EXPECT_EQ(ParseSkin(Script(K::Name, "$$")).FirstBad, SkinScriptKeys.size());
}

TEST(ParseSkin, OnlyTheFirstOfTwoBadValuesIsReported) {
  std::string text = Script(K::PlyLstFontColor, "red");
  text.replace(text.find("clYellow"), 8, "yellow");
  const SkinDescription d = ParseSkin(text);
  EXPECT_EQ(d.FirstBad, static_cast<size_t>(K::ProgBarColor));
  EXPECT_EQ(d.Error, "'yellow' is not a valid integer value");
}

TEST(ParseSkin, AMissingKeyGivesWhatTheValueRuleFinds) {
  // Without "ProgBarColor=" the value runs from the twelfth character of the
  // text to the first ";".
  std::string text = Script();
  text.erase(text.find("ProgBarColor=clYellow;\r\n"), 24);
  const SkinDescription d = ParseSkin(text);
  EXPECT_EQ(d.FirstBad, static_cast<size_t>(K::ProgBarColor));
  EXPECT_EQ(d.Error, "'" + text.substr(12, text.find(';', 12) - 12) + "' is not a valid integer value");
  EXPECT_EQ(ParseSkin("").FirstBad, static_cast<size_t>(K::TranspColor));
}

} // namespace

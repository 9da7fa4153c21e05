#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "skins/SkinList.h"
#include "skins/SkinScript.h"
#include "support/ChildProcess.h"

#include <sys/stat.h>
#include <unistd.h>
#include "support/TempDir.h"

namespace {

std::string FlipCase(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    s[i] = static_cast<char>(i % 2 ? std::toupper(c) : std::tolower(c));
  }
  return s;
}

void ExpectInvalid(const std::string& value) {
  try {
    StringToColor(value);
    ADD_FAILURE() << "accepted '" << value << "'";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string(e.what()), "'" + value + "' is not a valid integer value");
  }
}

} // namespace

TEST(SkinValue, FindsKeysAnywhereInTheText) {
  const std::string script = "My skin\r\nPlyLstBarColor=clGray;Name=Steel ;Author=Jo\r\nSmith;"
                             "TranspColor= $FF00FF;\r\n";
  EXPECT_EQ(SkinValue(script, "Name="), "Steel ");
  EXPECT_EQ(SkinValue(script, "Author="), "Jo\r\nSmith");
  EXPECT_EQ(SkinValue(script, "TranspColor="), " $FF00FF");
  EXPECT_EQ(SkinValue(script, "PlyLstBarColor="), "clGray");
  // Keys are case-sensitive; a missing key drops (key length - 1) characters
  // and runs to the first ";".
  EXPECT_EQ(SkinValue(script, "name="), "kin\r\nPlyLstBarColor=clGray");
  // A value missing its ";" runs to the end, line ends included.
  EXPECT_EQ(SkinValue("BoxBGColor=clBlack\r\n", "BoxBGColor="), "clBlack\r\n");
}

TEST(SkinValue, TwelvePairsInAnyOrder) {
  std::string perLine, oneLine;
  for (size_t i = 0; i < SkinScriptKeys.size(); ++i) {
    const std::string pair = std::string(SkinScriptKeys[i]) + "v" + std::to_string(i) + ";";
    perLine += pair + "\r\n";
    oneLine = pair + oneLine;
  }
  for (size_t i = 0; i < SkinScriptKeys.size(); ++i) {
    const std::string key(SkinScriptKeys[i]);
    EXPECT_EQ(SkinValue(perLine, key), "v" + std::to_string(i));
    EXPECT_EQ(SkinValue(oneLine, key), SkinValue(perLine, key));
  }
}

TEST(StringToColor, NamesInAnyCase) {
  const std::vector<std::pair<std::string, uint32_t>> names = {
      {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
      {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
      {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
      {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
      {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
      {"clNone", 0x1FFFFFFF}, {"clDefault", 0x20000000}};
  for (const auto& [name, value] : names) {
    EXPECT_EQ(StringToColor(name), value) << name;
    EXPECT_EQ(StringToColor(FlipCase(name)), value) << name;
  }
  EXPECT_EQ(StringToColor("CLFUCHSIA"), StringToColor("$FF00FF"));
  // Whole match only.
  ExpectInvalid("clLime ");
  ExpectInvalid(" clLime");
  ExpectInvalid("black");
}

TEST(StringToColor, SystemColoursSkipIndex25) {
  const char* system[] = {"clScrollBar", "clBackground", "clActiveCaption", "clInactiveCaption", "clMenu",
                          "clWindow", "clWindowFrame", "clMenuText", "clWindowText", "clCaptionText",
                          "clActiveBorder", "clInactiveBorder", "clAppWorkSpace", "clHighlight",
                          "clHighlightText", "clBtnFace", "clBtnShadow", "clGrayText", "clBtnText",
                          "clInactiveCaptionText", "clBtnHighlight", "cl3DDkShadow", "cl3DLight",
                          "clInfoText", "clInfoBk", "clHotLight", "clGradientActiveCaption",
                          "clGradientInactiveCaption", "clMenuHighlight", "clMenuBar"};
  uint32_t index = 0;
  for (const char* name : system) {
    if (index == 25) ++index;
    EXPECT_EQ(StringToColor(name), 0xFF000000u + index) << name;
    EXPECT_EQ(StringToColor(FlipCase(name)), 0xFF000000u + index) << name;
    ++index;
  }
  EXPECT_EQ(index, 31u);
}

TEST(StringToColor, IntegerForms) {
  EXPECT_EQ(StringToColor("0"), 0u);
  EXPECT_EQ(StringToColor("255"), 255u);
  EXPECT_EQ(StringToColor("  +65280"), 65280u);
  EXPECT_EQ(StringToColor("-1"), 0xFFFFFFFFu);
  for (const char* prefix : {"$", "x", "X", "0x", "0X"}) {
    EXPECT_EQ(StringToColor(std::string(prefix) + "FF00ff"), 0xFF00FFu) << prefix;
    EXPECT_EQ(StringToColor(std::string(" -") + prefix + "1"), 0xFFFFFFFFu) << prefix;
    ExpectInvalid(prefix);
    ExpectInvalid(std::string(prefix) + "FG");
  }
  EXPECT_EQ(StringToColor("007"), 7u);
}

TEST(StringToColor, ThirtyTwoBitRange) {
  EXPECT_EQ(StringToColor("2147483647"), 0x7FFFFFFFu);
  EXPECT_EQ(StringToColor("-2147483648"), 0x80000000u);
  ExpectInvalid("2147483648");
  ExpectInvalid("-2147483649");
  ExpectInvalid("99999999999999999999999");
  EXPECT_EQ(StringToColor("$FFFFFFFF"), 0xFFFFFFFFu);
  EXPECT_EQ(StringToColor("$000000000FF"), 0xFFu);
  ExpectInvalid("$100000000");
}

TEST(StringToColor, RejectsEverythingElse) {
  for (const char* bad : {"", " ", "12 ", "1;", "\t5", "+", "-", "--1", "+-1", "1e3", "0x 1", "$-1", "0b101",
                          "FF00FF", "#FF00FF", "1.0"}) {
    ExpectInvalid(bad);
  }
}

TEST(ReadSkinScriptText, LinesEachFollowedByCrLf) {
  testsupport::TempDir dir;
  testsupport::WriteAll(dir.File("a.vskin"), "Name=A;\nAuthor=B;\rTranspColor=clLime;");
  const std::string text = ReadSkinScriptText(dir.File("a.vskin"));
  EXPECT_EQ(text, "Name=A;\r\nAuthor=B;\r\nTranspColor=clLime;\r\n");
  EXPECT_EQ(StringToColor(SkinValue(text, "TranspColor=")), 0x00FF00u);
}

TEST(ReadSkinScriptText, OnlyRegularFilesOfAScriptsSize) {
  testsupport::TempDir dir;
  const std::string fifo = dir.File("fifo.vskin");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&fifo] {
    try {
      ReadSkinScriptText(fifo);
    } catch (const std::runtime_error& e) {
      return std::string(e.what()) == "Cannot open file \"" + fifo + "\". Not a regular file";
    }
    return false;
  }));
  // A script without ";" of many megabytes is not a skin script.
  testsupport::WriteAll(dir.File("big.vskin"), "Name=" + std::string(kMaxSkinScriptBytes, 'x'));
  EXPECT_THROW(ReadSkinScriptText(dir.File("big.vskin")), std::runtime_error);
}

TEST(ReadSkinBitmapBytes, RegularFilesOnlyWithTheLoadersTexts) {
  testsupport::TempDir dir;
  testsupport::WriteAll(dir.File("a.bmp"), std::string("BM\0\1", 4));
  EXPECT_EQ(SkinList::ReadSkinBitmapBytes(dir.File("a.bmp")), std::string("BM\0\1", 4));
  ASSERT_EQ(::mkfifo(dir.File("fifo.bmp").c_str(), 0644), 0);
  ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.bmp").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder.bmp").c_str(), 0755), 0);
  testsupport::WriteAll(dir.File("huge.bmp"), "");
  ASSERT_EQ(::truncate(dir.File("huge.bmp").c_str(), static_cast<off_t>(SkinList::kMaxSkinBitmapBytes + 1)), 0);
  const std::pair<std::string, std::string> cases[] = {
      {"fifo.bmp", "Bitmap image is not valid"},
      {"zero.bmp", "Bitmap image is not valid"},
      {"huge.bmp", "Bitmap image is not valid"},
      {"folder.bmp", "Cannot open file \"" + dir.File("folder.bmp") + "\". Is a directory"},
      {"missing.bmp", "Cannot open file \"" + dir.File("missing.bmp") + "\". No such file or directory"},
  };
  for (const auto& [name, text] : cases) {
    const std::string path = dir.File(name);
    EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&] {
      try {
        SkinList::ReadSkinBitmapBytes(path);
      } catch (const std::runtime_error& e) {
        return e.what() == text;
      }
      return false;
    })) << name;
  }
}

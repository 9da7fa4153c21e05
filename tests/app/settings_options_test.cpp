#include "app/Tvelmarisoptions.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <sys/stat.h>

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

TVelmarisOptions ReadFrom(const std::string& path) {
  TVelmarisOptions o;
  // Start from values unlike every default, so a field that is not filled shows.
  o.LastSkinFile = o.LastListFile = o.LastSoundFile = o.MusicDir = o.SkinDir = "junk";
  o.DispNormal = o.DispMini = o.DispTask = "junk";
  o.LastSoundPos = o.Top = o.Left = o.PlayListIndex = 77;
  o.Mode = o.PlayListMode = 77;
  o.Minimized = o.ShuffleIsOn = o.Transparent = o.MinimizeToTray = true;
  o.QuickFind = false;
  ReadOptions(o, path);
  return o;
}

TVelmarisOptions ReadText(const TempDir& dir, const std::string& text) {
  WriteAll(dir.File("VelmarisOpts.ini"), text);
  return ReadFrom(dir.File("VelmarisOpts.ini"));
}

std::string ExpectThrowsUnableToWrite(const TVelmarisOptions& o, const std::string& path) {
  try {
    WriteOptions(o, path);
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "no error";
}

} // namespace

// ---- reading ----

TEST(SettingsRead, MissingFileGivesDefaults) {
  TempDir dir;
  TVelmarisOptions o = ReadFrom(dir.File("VelmarisOpts.ini"));
  EXPECT_EQ(o, TVelmarisOptions{});
  EXPECT_EQ(o.Mode, 1);
  EXPECT_TRUE(o.QuickFind);
  EXPECT_EQ(o.LastSkinFile, "");
  EXPECT_FALSE(o.Minimized);
}

TEST(SettingsRead, OnlyQuickFindOffChangesOnlyQuickFind) {
  TempDir dir;
  TVelmarisOptions o = ReadText(dir, "[Other]\r\nQuickFind=0\r\n");
  TVelmarisOptions expected;
  expected.QuickFind = false;
  EXPECT_EQ(o, expected);
}

TEST(SettingsRead, IntegerForms) {
  TempDir dir;
  struct Case {
    const char* text;
    int mode;
  } cases[] = {
      {"0x2", 2},  {"0X1f", 31}, {"$2", 2},    {"$ff", -1},  {"two", 1},  {"", 1},    {"0x", 1},
      {"$", 1},    {"-3", -3},   {"+4", 4},    {"300", 44},  {"200", -56}, {"2 3", 1}, {"0x-2", 1},
      {" 2 ", 2},  {"'2'", 2},   {"2.0", 1},
  };
  for (const Case& c : cases) {
    TVelmarisOptions o = ReadText(dir, std::string("[Other]\nMode=") + c.text + "\n");
    EXPECT_EQ(o.Mode, c.mode) << "Mode=" << c.text;
  }
  TVelmarisOptions top = ReadText(dir, "[Position]\nTop=-20\nLeft=0x10\n[LastFiles]\nLastSoundPos=oops\n");
  EXPECT_EQ(top.Top, -20);
  EXPECT_EQ(top.Left, 16);
  EXPECT_EQ(top.LastSoundPos, 0);
}

TEST(SettingsRead, IntegerLimits) {
  EXPECT_EQ(IniTextToInt("2147483647", 5), 2147483647);
  EXPECT_EQ(IniTextToInt("-2147483648", 5), INT32_MIN);
  EXPECT_EQ(IniTextToInt("2147483648", 5), 5);
  EXPECT_EQ(IniTextToInt("-2147483649", 5), 5);
  EXPECT_EQ(IniTextToInt("99999999999999999999999", 5), 5);
  EXPECT_EQ(IniTextToInt("0xFFFFFFFF", 5), -1);
  EXPECT_EQ(IniTextToInt("$80000000", 5), INT32_MIN);
  EXPECT_EQ(IniTextToInt("0x100000000", 5), 5);
  EXPECT_EQ(IniTextToInt("$0000000000001", 5), 1); // leading zeros are no overflow
  EXPECT_EQ(IniTextToInt("-", 5), 5);
}

TEST(SettingsRead, BooleansAreIntegers) {
  TempDir dir;
  TVelmarisOptions o = ReadText(dir,
                                "[Position]\nMinimized=-1\n[Other]\nShuffleIsOn=5\nTransparent=0x0\n"
                                "MinimizeToTray=yes\nQuickFind=junk\n");
  EXPECT_TRUE(o.Minimized);
  EXPECT_TRUE(o.ShuffleIsOn);
  EXPECT_FALSE(o.Transparent);
  EXPECT_FALSE(o.MinimizeToTray); // not a number: default false
  EXPECT_TRUE(o.QuickFind);       // not a number: default true
}

TEST(SettingsRead, TextsAreCutAt2047) {
  TempDir dir;
  const std::string longText(5000, 'x');
  TVelmarisOptions o = ReadText(dir, "[Format]\r\nDispNormal=" + longText + "\r\nDispMini=  $pos  \r\n");
  EXPECT_EQ(o.DispNormal, std::string(2047, 'x'));
  EXPECT_EQ(o.DispMini, "$pos");
}

// ---- writing ----

TEST(SettingsWrite, FreshFileLayout) {
  TempDir dir;
  TVelmarisOptions o;
  o.Top = 10;
  o.Left = -5;
  o.Minimized = true;
  o.LastListFile = "/opt/velmaris/lastplaylist.vpls";
  o.LastSoundFile = "/music/a b.mp3";
  o.LastSoundPos = 123456;
  o.MusicDir = "/music";
  o.PlayListIndex = 3;
  o.Mode = 2;
  o.Transparent = true;
  o.PlayListMode = -56;
  o.DispNormal = "$filename";
  o.DispMini = "$pos";
  o.DispTask = "$filename - $timeleft";
  const std::string path = dir.File("VelmarisOpts.ini");
  WriteOptions(o, path);
  EXPECT_EQ(ReadAll(path),
            "[Position]\r\n"
            "Top=10\r\n"
            "Left=-5\r\n"
            "Minimized=1\r\n"
            "\r\n"
            "[LastFiles]\r\n"
            "LastSkinFile=\r\n"
            "LastListFile=/opt/velmaris/lastplaylist.vpls\r\n"
            "LastSoundFile=/music/a b.mp3\r\n"
            "LastSoundPos=123456\r\n"
            "\r\n"
            "[Default]\r\n"
            "MusicDir=/music\r\n"
            "SkinDir=\r\n"
            "\r\n"
            "[Other]\r\n"
            "PlayListIndex=3\r\n"
            "Mode=2\r\n"
            "ShuffleIsOn=0\r\n"
            "Transparent=1\r\n"
            "PlayListMode=-56\r\n"
            "MinimizeToTray=0\r\n"
            "QuickFind=1\r\n"
            "\r\n"
            "[Format]\r\n"
            "DispNormal=$filename\r\n"
            "DispMini=$pos\r\n"
            "DispTask=$filename - $timeleft\r\n");
  EXPECT_EQ(ReadFrom(path), o);
}

TEST(SettingsWrite, ValuesComeBackAsRead) {
  TempDir dir;
  TVelmarisOptions o = ReadText(dir,
                                "[Other]\r\nShuffleIsOn=5\r\nPlayListIndex=0x7FFFFFFF\r\nMode=300\r\n"
                                "[LastFiles]\r\nLastSkinFile=\r\n[Format]\r\nDispTask=\" $pos \"\r\n");
  EXPECT_TRUE(o.ShuffleIsOn);
  EXPECT_EQ(o.PlayListIndex, 2147483647);
  EXPECT_EQ(o.DispTask, " $pos ");
  const std::string path = dir.File("VelmarisOpts.ini");
  WriteOptions(o, path);
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("ShuffleIsOn=1\r\n"), std::string::npos);
  EXPECT_NE(text.find("PlayListIndex=2147483647\r\n"), std::string::npos);
  EXPECT_NE(text.find("Mode=44\r\n"), std::string::npos);
  EXPECT_NE(text.find("LastSkinFile=\r\n"), std::string::npos); // empty text keeps its key
  EXPECT_EQ(ReadFrom(path), o);
}

TEST(SettingsWrite, HandEditedFileKeepsEverythingButOurValues) {
  TempDir dir;
  const std::string path = dir.File("VelmarisOpts.ini");
  const std::string original =
      "; Velmaris settings\n[position]\nTOP = 5\nleft=6\nminimized=0\n\n"
      "[Plugins]\nVisual=none\n\n"
      "[LastFiles]\nLastSkinFile=/skins/blue.vskin\nLastListFile=\nLastSoundFile=\nLastSoundPos=0\n"
      "[Default]\nMusicDir=/m\nSkinDir=\n"
      "[Other]\nPlayListIndex=0\nMode=1\nShuffleIsOn=0\nTransparent=0\nPlayListMode=0\n"
      "MinimizeToTray=0\nQuickFind=1\n"
      "[Format]\nDispNormal=\nDispMini=\nDispTask=\n; end\n";
  WriteAll(path, original);
  TVelmarisOptions o = ReadFrom(path);
  EXPECT_EQ(o.Top, 5);
  EXPECT_EQ(o.LastSkinFile, "/skins/blue.vskin");
  o.Top = -20;
  o.LastSkinFile.clear();
  o.ShuffleIsOn = true;
  WriteOptions(o, path);

  std::string expected = original;
  for (auto [from, to] : {std::pair<std::string, std::string>{"TOP = 5", "TOP = -20"},
                          {"LastSkinFile=/skins/blue.vskin", "LastSkinFile="},
                          {"ShuffleIsOn=0", "ShuffleIsOn=1"}}) {
    expected.replace(expected.find(from), from.size(), to);
  }
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(SettingsWrite, RefusedWriteRaisesUnableToWrite) {
  TempDir dir;
  TVelmarisOptions o;
  const std::string missingFolder = dir.File("gone/VelmarisOpts.ini");
  EXPECT_EQ(ExpectThrowsUnableToWrite(o, missingFolder), "Unable to write to " + missingFolder);

  const std::string folder = dir.File("VelmarisOpts.ini");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  EXPECT_EQ(ExpectThrowsUnableToWrite(o, folder), "Unable to write to " + folder);
}

namespace {

// The tag reading switch lives in a section of its own: a file that never
// had it keeps the classic key table byte for byte.
TEST(SettingsTags, ReadAllVersionsIsOffByDefaultAndWrittenOnlyOnceUsed) {
  TempDir dir;
  const std::string path = dir.File("VelmarisOpts.ini");
  TVelmarisOptions o;
  EXPECT_FALSE(o.ReadAllTagVersions);
  WriteOptions(o, path);
  EXPECT_EQ(ReadAll(path).find("[Tags]"), std::string::npos);
  o.ReadAllTagVersions = true;
  WriteOptions(o, path);
  EXPECT_NE(ReadAll(path).find("[Tags]\r\nReadAllVersions=1\r\n"), std::string::npos);
  TVelmarisOptions back;
  ReadOptions(back, path);
  EXPECT_TRUE(back.ReadAllTagVersions);
  // Switched off again: the key stays and says so.
  o.ReadAllTagVersions = false;
  WriteOptions(o, path);
  EXPECT_NE(ReadAll(path).find("ReadAllVersions=0"), std::string::npos);
  ReadOptions(back, path);
  EXPECT_FALSE(back.ReadAllTagVersions);
}

// Off, the settings file is written byte for byte as before the switch
// existed; on, it gets its own section; off again, the key stays and says so.
TEST(SettingsFormats, PlayAllFormatsIsOffByDefaultAndWrittenOnlyOnceUsed) {
  TempDir dir;
  const std::string path = dir.File("VelmarisOpts.ini"), plain = dir.File("plain.ini");
  TVelmarisOptions o;
  o.MusicDir = "/music";
  EXPECT_FALSE(o.PlayAllFormats);
  WriteOptions(o, path);
  EXPECT_EQ(ReadAll(path).find("[Formats]"), std::string::npos);
  EXPECT_FALSE(ReadFrom(path).PlayAllFormats);
  o.PlayAllFormats = true;
  WriteOptions(o, path);
  EXPECT_NE(ReadAll(path).find("[Formats]\r\nPlayAllFormats=1\r\n"), std::string::npos);
  EXPECT_TRUE(ReadFrom(path).PlayAllFormats);
  o.PlayAllFormats = false;
  WriteOptions(o, path);
  EXPECT_NE(ReadAll(path).find("PlayAllFormats=0"), std::string::npos);
  EXPECT_FALSE(ReadFrom(path).PlayAllFormats);
  // The same record written to a fresh file: only the [Formats] section differs.
  WriteOptions(o, plain);
  std::string withKey = ReadAll(path);
  const std::string section = "\r\n[Formats]\r\nPlayAllFormats=0\r\n";
  ASSERT_NE(withKey.find(section), std::string::npos);
  withKey.erase(withKey.find(section), section.size());
  EXPECT_EQ(withKey, ReadAll(plain));
  // A hand-written value reads like every other switch.
  EXPECT_TRUE(ReadText(dir, "[Formats]\r\nPlayAllFormats=0x1\r\n").PlayAllFormats);
}

} // namespace

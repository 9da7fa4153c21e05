// The skin scripts of a folder, where a script's bitmap is found, and which
// choice of the options dialog loads a skin.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "skins/SkinList.h"
#include "support/TempDir.h"

using testsupport::WriteAll;

TEST(SkinListItems, ScriptsInAnyLetterCaseAndNothingElse) {
  testsupport::TempDir dir;
  const std::string d = dir.File("skins/");
  std::filesystem::create_directories(d + "folder.vskin");
  for (const char* name : {"b.vskin", "A.VSKIN", "notes.txt", "c.vskin.bak"}) WriteAll(d + name, "");
  const std::string folder = d.substr(0, d.size() - 1);
  EXPECT_EQ(SkinList::SkinListItems(folder), (std::vector<std::string>{"A.VSKIN", "b.vskin"}));
  EXPECT_TRUE(SkinList::SkinListItems(dir.File("no such folder")).empty());
}

TEST(SkinBitmapPath, DriveLetterValuesAndAScriptWithoutAFolder) {
  EXPECT_EQ(SkinList::SkinBitmapPath("/s/", "d:x.bmp"), "/s/x.bmp");
  EXPECT_EQ(SkinList::SkinBitmapPath("/s/", "C:\\a\\b/x.bmp"), "/s/x.bmp");
  EXPECT_EQ(SkinList::SkinBitmapPath("", "x.bmp"), "x.bmp");
}

TEST(SkinToApply, OnlyADifferentChoiceIsLoaded) {
  EXPECT_FALSE(SkinList::SkinToApply("/s/Wood.vskin", "/s", "Wood.vskin").has_value());
  EXPECT_EQ(SkinList::SkinToApply("/s/Wood.vskin", "/s", "wood.vskin").value(), "/s/wood.vskin");
  EXPECT_FALSE(SkinList::SkinToApply("", "/s", "").has_value());
  EXPECT_EQ(SkinList::SkinToApply("/s/Wood.vskin", "/s", "").value(), "/s/");
}

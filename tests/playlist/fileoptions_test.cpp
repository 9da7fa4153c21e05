#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/Fileoptions.h"
#include "playlist/PathRules.h"
#include "support/TempDir.h"

using Fileoptions::FileNameNoExt;
using Fileoptions::ListFolderFiles;
using testsupport::TempDir;
using testsupport::WriteAll;

TEST(FileNameNoExt, CutsAtTheLastDotOfTheFileName) {
  EXPECT_EQ(FileNameNoExt("/music/A.B.mp3"), "A.B");
  EXPECT_EQ(FileNameNoExt("/music/v1.0/track"), "track");
  EXPECT_EQ(FileNameNoExt("/music/.mp3"), "");
  EXPECT_EQ(FileNameNoExt("song.mp3"), "song");
  EXPECT_EQ(FileNameNoExt("/music/"), "");
  EXPECT_EQ(FileNameNoExt("C:song.mp3"), "C:song"); // ":" is no separator
}

TEST(PathRules, Mp3TestAndExtension) {
  using namespace PathRules;
  for (const char* ext : {".mp3", ".MP3", ".Mp3"}) EXPECT_TRUE(IsMp3File(ext)) << ext;
  for (const char* ext : {"mp3", ".mp3 ", "", ".mp4"}) EXPECT_FALSE(IsMp3File(ext)) << ext;
  const std::pair<const char*, const char*> exts[] = {
      {"/m/a.MP3", ".MP3"}, {"/m/a.mp3.txt", ".txt"}, {"/m/a.mp3 ", ".mp3 "},
      {"/m.d/a", ""}, {"/m/.mp3", ".mp3"}, {"noext", ""}};
  for (const auto& [path, ext] : exts) EXPECT_EQ(ExtractFileExt(path), ext) << path;
  EXPECT_EQ(ExtractFileName("/m/a.mp3"), "a.mp3");
  EXPECT_EQ(ExtractFileName("a.mp3"), "a.mp3");
  EXPECT_EQ(ExtractFilePath("/m/a.mp3"), "/m/");
  EXPECT_EQ(ExtractFilePath("a.mp3"), "");
}

TEST(MatchesMask, WildcardsIgnoreCase) {
  using Fileoptions::MatchesMask;
  EXPECT_TRUE(MatchesMask("Song.MP3", "*.mp3"));
  EXPECT_TRUE(MatchesMask("x.vskin", "*.VSKIN"));
  EXPECT_FALSE(MatchesMask("a.mp3.txt", "*.mp3"));
  EXPECT_TRUE(MatchesMask("a1.mp3", "a?.mp3"));
  EXPECT_FALSE(MatchesMask("a.mp3", "a?.mp3"));
  EXPECT_TRUE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask("a", "a.*"));
  EXPECT_FALSE(MatchesMask("ab", "a.*"));
  EXPECT_TRUE(MatchesMask("[x].mp3", "[x]*")); // no character classes
  EXPECT_TRUE(MatchesMask("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*b"));
}

TEST(ListFolderFiles, FilesOfOneLevelSortedWithoutCase) {
  TempDir dir;
  for (const char* name : {"b.mp3", "a.mp3", "notes.txt", "C.MP3", "_x.mp3", ".hidden.mp3", " lead.mp3"}) {
    WriteAll(dir.File(name), "x");
  }
  ASSERT_EQ(::mkdir(dir.File("sub.mp3").c_str(), 0755), 0);
  WriteAll(dir.File("sub.mp3/inner.mp3"), "x");
  ASSERT_EQ(::symlink("a.mp3", dir.File("link.mp3").c_str()), 0);
  ASSERT_EQ(::symlink("gone.mp3", dir.File("broken.mp3").c_str()), 0);
  WriteAll(dir.File("ro.mp3"), "x");
  ASSERT_EQ(::chmod(dir.File("ro.mp3").c_str(), 0444), 0);
  WriteAll(dir.File("two\nlines.mp3"), "x");

  EXPECT_EQ(ListFolderFiles(dir.Path(), "*.*"),
            " lead.mp3\n.hidden.mp3\na.mp3\nb.mp3\nC.MP3\nlink.mp3\nnotes.txt\nro.mp3\n_x.mp3");
  EXPECT_EQ(ListFolderFiles(dir.Path(), "*.Mp3"),
            " lead.mp3\n.hidden.mp3\na.mp3\nb.mp3\nC.MP3\nlink.mp3\nro.mp3\n_x.mp3");
  // The folder may be given with or without its trailing "/".
  const std::string noSlash = dir.Path().substr(0, dir.Path().size() - 1);
  EXPECT_EQ(ListFolderFiles(noSlash, "*.txt"), "notes.txt");
  EXPECT_EQ(ListFolderFiles(noSlash, "*.vskin"), "");
}

TEST(ListFolderFiles, UnlistableFolderGivesNothing) {
  TempDir dir;
  WriteAll(dir.File("plain.mp3"), "x");
  EXPECT_EQ(ListFolderFiles(dir.File("missing"), "*.*"), "");
  EXPECT_EQ(ListFolderFiles(dir.File("plain.mp3"), "*.*"), "");
}

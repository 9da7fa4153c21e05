// Writing and reading the player's own playlist files, and the save commands
// of the playlist panel.
#include <gtest/gtest.h>

#include <QLabel>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/window_helpers.h"

using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

using Strings = std::vector<std::string>;

class PlayListFiles : public PlayListWindow {};

TEST_F(PlayListFiles, SaveWritesPathsWithCrLfAndReadsBack) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  const Strings paths = {"/music/with blanks/a b.mp3", "/music/Ünïcødé/ß.mp3",
                         std::string("/music/odd\x01\xff\xfe bytes.mp3"), "relative/c.MP3"};
  for (const auto& p : paths) ASSERT_TRUE(w.AddToPlayList(p, -1));
  const std::string file = Dir.File("list.vpls");
  w.SavePlayList(file);
  std::string expected;
  for (const auto& p : paths) expected += p + "\r\n";
  EXPECT_EQ(ReadAll(file), expected);
  EXPECT_EQ(w.VelmarisOptions.LastListFile, file);

  w.VelmarisOptions.PlayListMode = 1;
  w.ClearPlayList();
  w.OpenPath(file, false, false);
  EXPECT_EQ(Paths(), paths);
  EXPECT_EQ(Lines()[0], "a b");  // display texts made anew under the current mode
}

TEST_F(PlayListFiles, EmptyListSavesAnEmptyFile) {
  auto& w = CreateWindow();
  const std::string file = Dir.File("empty.vpls");
  WriteAll(file, "old contents\r\n");
  w.SavePlayList(file);
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(ReadAll(file), "");
}

TEST_F(PlayListFiles, FailedSaveKeepsTheOldFileAndReportsTheError) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  auto& w = CreateWindow();
  SetLines({"new"});
  const std::string folder = Dir.File("locked");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string file = folder + "/list.vpls";
  WriteAll(file, "/old/a.mp3\r\n");
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  w.Guarded([&] { w.SavePlayList(file); });
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(ReadAll(file), "/old/a.mp3\r\n");
  ASSERT_EQ(Dialogs.Errors.size(), 1u);
  EXPECT_NE(Dialogs.Errors[0].find(file), std::string::npos);
  EXPECT_NE(Dialogs.Errors[0].find("Permission denied"), std::string::npos);
  // The new name is taken before anything is written.
  EXPECT_EQ(w.VelmarisOptions.LastListFile, file);
}

TEST_F(PlayListFiles, WriteErrorHalfWayKeepsTheOldFile) {
  auto& w = CreateWindow();
  std::vector<std::string> many;
  for (int i = 0; i < 2000; ++i) many.push_back("/music/a rather long folder name/song number " + std::to_string(i) + ".mp3");
  w.AddFileList(many, false);
  const std::string file = Dir.File("big.vpls");
  WriteAll(file, "/old/a.mp3\r\n");
  // Files may grow to 4 KiB only: the write fails in the middle.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  w.Guarded([&] { w.SavePlayList(file); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  ASSERT_EQ(Dialogs.Errors.size(), 1u);
  EXPECT_NE(Dialogs.Errors[0].find("File too large"), std::string::npos) << Dialogs.Errors[0];
  EXPECT_EQ(ReadAll(file), "/old/a.mp3\r\n");
  // No half-written temporary file is left behind.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(Dir.Path())) entries += e.path().extension() != ".mp3";
  EXPECT_EQ(entries, 1);
}

TEST_F(PlayListFiles, SaveKeepsTheFileModeAndReplacesThroughALink) {
  auto& w = CreateWindow();
  SetLines({"a"});
  const std::string real = Dir.File("real.vpls");
  WriteAll(real, "");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const std::string link = Dir.File("link.vpls");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  w.SavePlayList(link);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(real), Dir.File("a.mp3") + "\r\n");
}

TEST_F(PlayListFiles, SaveAsAddsTheExtensionOnlyToBareNames) {
  auto& w = CreateWindow();
  SetLines({"a"});
  Dialogs.SaveAnswers = {Dir.File("mylist"), Dir.File("mylist.txt"), ""};
  w.ButtonSaveClick();
  w.ButtonSaveClick();
  w.ButtonSaveClick();  // cancelled: nothing written
  EXPECT_TRUE(Exists(Dir.File("mylist.vpls")));
  EXPECT_TRUE(Exists(Dir.File("mylist.txt")));
  EXPECT_FALSE(Exists(Dir.File("mylist")));
  EXPECT_EQ(w.VelmarisOptions.LastListFile, Dir.File("mylist.txt"));
  ASSERT_EQ(Dialogs.Titles.size(), 3u);
  EXPECT_EQ(Dialogs.Titles[0], "Save Playlist");
  EXPECT_EQ(Dialogs.Filters[0], "Velmaris Playlists (*.vpls)|*.vpls|All Files (*.*)|*.*");
}

TEST_F(PlayListFiles, SaveCurrentAsksForANameAfterNewPlaylist) {
  auto& w = CreateWindow();
  SetLines({"a"});
  const std::string file = Dir.File("cur.vpls");
  WriteAll(file, "");
  w.VelmarisOptions.LastListFile = file;
  w.Savecurrentplaylist1Click();
  EXPECT_EQ(ReadAll(file), Dir.File("a.mp3") + "\r\n");
  EXPECT_TRUE(Dialogs.Titles.empty());

  w.PlayListLabel->setText("cur");
  w.ButtonNewClick();
  EXPECT_EQ(Model().Count(), 0);
  EXPECT_EQ(w.VelmarisOptions.LastListFile, "");
  EXPECT_TRUE(w.PlayListLabel->text().isEmpty());
  w.Savecurrentplaylist1Click();
  ASSERT_EQ(Dialogs.Titles.size(), 1u);
  EXPECT_EQ(Dialogs.Titles[0], "Save Playlist");
}

TEST_F(PlayListFiles, SaveCurrentWithAVanishedFileAsksForAName) {
  auto& w = CreateWindow();
  w.VelmarisOptions.LastListFile = Dir.File("gone.vpls");
  Dialogs.SaveAnswers = {Dir.File("chosen")};
  w.Savecurrentplaylist1Click();
  EXPECT_TRUE(Exists(Dir.File("chosen.vpls")));
  EXPECT_FALSE(Exists(Dir.File("gone.vpls")));
}

} // namespace

// Writing the player's own playlist files and reading them back; adding the
// MP3 files of a folder.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/PlayListFixture.h"
#include "support/TagBytes.h"

using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::WriteAll;

namespace {

class PlayListFiles : public PlayListTest {
protected:
  std::string SaveError(const std::string& path) {
    try {
      List().Save(path);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "(saved)";
  }
};

TEST_F(PlayListFiles, SaveWritesPathsWithCrLfAndReadsBack) {
  const Strings paths = {"/music/with blanks/a b.mp3", "/music/Ünïcødé/ß.mp3",
                         std::string("/music/odd\x01\xff\xfe bytes.mp3"), "relative/c.MP3"};
  for (const auto& p : paths) ASSERT_TRUE(List().Add(p, -1));
  const std::string file = Dir.File("list.vpls");
  List().Save(file);
  std::string expected;
  for (const auto& p : paths) expected += p + "\r\n";
  EXPECT_EQ(ReadAll(file), expected);
  EXPECT_EQ(List().LastListFile(), file);

  List().SetDisplayMode(1);
  List().New();
  EXPECT_EQ(List().LastListFile(), "");
  List().OpenPath(file, false);
  EXPECT_EQ(Paths(), paths);
  EXPECT_EQ(Lines()[0], "a b");  // display texts made anew under the current mode
}

TEST_F(PlayListFiles, EmptyListSavesAnEmptyFile) {
  const std::string file = Dir.File("empty.vpls");
  WriteAll(file, "old contents\r\n");
  List().Save(file);
  EXPECT_EQ(ReadAll(file), "");
}

TEST_F(PlayListFiles, SaveRefusesEverythingButARegularFile) {
  SetLines({"a"});
  // Every special file is made in the test folder: a save that wrongly
  // replaced one must never hit a file of the machine.
  const std::string folder = Dir.File("folder.vpls"), fifo = Dir.File("fifo.vpls");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string device = Dir.ZeroDevice("zero"), socket = Dir.Socket("socket");
  if (device.empty()) std::cerr << "No device node can be made here (not root): that case is skipped.\n";
  struct Case {
    std::string linkTo;  // the special file the save aims at through a link; "" to aim at it directly
    std::string target;
    mode_t type;
  };
  const Case cases[] = {{"", folder, S_IFDIR}, {"", fifo, S_IFIFO},   {"", socket, S_IFSOCK},
                        {fifo, "", S_IFIFO},   {socket, "", S_IFSOCK}, {device, "", S_IFCHR}};
  int link = 0;
  for (const Case& c : cases) {
    if (c.target.empty() && c.linkTo.empty()) continue;  // no device node
    std::string path = c.target;
    if (!c.linkTo.empty()) {
      path = Dir.File("link" + std::to_string(++link) + ".vpls");
      ASSERT_EQ(::symlink(c.linkTo.c_str(), path.c_str()), 0);
    }
    SCOPED_TRACE(path);
    EXPECT_NE(SaveError(path), "(saved)");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IFMT, c.type);  // left as it was
  }
  EXPECT_EQ(SaveError(folder), "Cannot write " + folder + ": Is a folder, not a file");
  WriteAll(Dir.File("plain"), "x");
  const std::string under = Dir.File("plain/list.vpls");
  EXPECT_EQ(SaveError(under), "Cannot write " + under + ": Not a directory");
  // The new name is taken before anything is written.
  EXPECT_EQ(List().LastListFile(), under);
  EXPECT_EQ(ReadAll(Dir.File("plain")), "x");
}

TEST_F(PlayListFiles, WriteErrorHalfWayKeepsTheOldFileAndLeavesNoTemporaryFile) {
  std::vector<std::string> many;
  for (int i = 0; i < 2000; ++i) many.push_back("/music/a rather long folder name/song number " + std::to_string(i) + ".mp3");
  List().AddFileList(many, false);
  const std::string file = Dir.File("big.vpls");
  WriteAll(file, "/old/a.mp3\r\n");
  // Files may grow to 4 KiB only: the write fails in the middle.
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string error = SaveError(file);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, "Cannot write " + file + ": File too large");
  EXPECT_EQ(ReadAll(file), "/old/a.mp3\r\n");
  int entries = 0;
  for (auto it = std::filesystem::directory_iterator(Dir.Path()); it != std::filesystem::directory_iterator(); ++it) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(PlayListFiles, SaveKeepsTheFileModeAndReplacesThroughALink) {
  SetLines({"a"});
  const std::string real = Dir.File("real.vpls");
  WriteAll(real, "");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  const std::string link = Dir.File("link.vpls");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  List().Save(link);
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadAll(real), Dir.File("a.mp3") + "\r\n");
  EXPECT_EQ(List().LastListFile(), link);
}

TEST_F(PlayListFiles, NewEmptiesTheListAndForgetsFileAndLabel) {
  SetLines({"a", "b"});
  Engine->Options().LastListFile = "/cur.vpls";
  List().SetLabel("cur");
  List().SetItemIndex(1);
  List().New();
  EXPECT_EQ(List().Count(), 0);
  EXPECT_EQ(Current(), -1);
  EXPECT_EQ(List().LastListFile(), "");
  EXPECT_TRUE(List().Label().isEmpty());
}

TEST_F(PlayListFiles, AddFolderAppendsInReverseListingOrderWithoutSubfolders) {
  SetLines({"existing"});
  List().SetDisplayMode(0);
  const std::string folder = Dir.File("music");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((folder + "/dir.mp3").c_str(), 0755), 0);
  for (const char* n : {"b.mp3", "a.mp3", "notes.txt", "sub/deep.mp3"}) WriteAll(folder + "/" + n, "x");
  EXPECT_EQ(List().AddFolder(folder), 2);
  EXPECT_EQ(Lines(), (Strings{"existing", "b.mp3", "a.mp3"}));
  EXPECT_EQ(Paths()[1], folder + "/b.mp3");
  // With a trailing "/" no second one is added.
  EXPECT_EQ(List().AddFolder(folder + "/"), 2);
  EXPECT_EQ(Paths()[3], folder + "/b.mp3");
  // A folder that cannot be listed adds nothing.
  EXPECT_EQ(List().AddFolder(Dir.File("missing")), 0);
  EXPECT_EQ(List().Count(), 5);
}

TEST_F(PlayListFiles, AddFolderInTagModeShowsTags) {
  testsupport::Id3v1Fields f;
  f.artist = "Art";
  f.title = "Song";
  const std::string folder = Dir.File("tagged");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  WriteAll(folder + "/t.mp3", testsupport::SilentMpegFrames(1) + testsupport::Id3v1Block(f));
  WriteAll(folder + "/u.mp3", testsupport::SilentMpegFrames(1));
  List().SetDisplayMode(2);
  EXPECT_EQ(List().AddFolder(folder), 2);
  EXPECT_EQ(Lines(), (Strings{"u", "Art - Song"}));
}

} // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "files/AtomicFile.h"
#include "support/TempDir.h"

using Files::AtomicFile;
using Files::AtomicWriteOptions;
using Files::WriteFileAtomically;
using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// A process id that no running process has: a child that has ended.
long DeadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

struct FaultGuard {
  explicit FaultGuard(AtomicFile::Fault f) { AtomicFile::SetFaultForTests(f); }
  ~FaultGuard() { AtomicFile::SetFaultForTests(AtomicFile::Fault::None); }
};

} // namespace

TEST(AtomicFile, CreatesAndReplacesKeepingPermissions) {
  TempDir dir;
  const std::string path = dir.File("a.txt");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "one", &error)) << error;
  EXPECT_EQ(ReadAll(path), "one");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(path, std::string("two\0two", 7), &error)) << error;
  EXPECT_EQ(ReadAll(path), std::string("two\0two", 7));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.txt"});

  // Written in pieces, as the tag writers stream a song.
  AtomicFile file(path);
  ASSERT_TRUE(file.Open());
  EXPECT_TRUE(Exists(file.TempPath()));
  ASSERT_TRUE(file.Write("th") && file.Write("ree"));
  EXPECT_EQ(ReadAll(path), std::string("two\0two", 7)); // nothing visible before the commit
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadAll(path), "three");
}

TEST(AtomicFile, FollowsLinksToFilesAndRefusesEverythingElse) {
  TempDir dir;
  WriteAll(dir.File("real"), "old");
  ASSERT_EQ(::symlink("real", dir.File("link").c_str()), 0);
  ASSERT_EQ(::symlink("link", dir.File("link2").c_str()), 0);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(dir.File("link2"), "new", &error)) << error;
  EXPECT_EQ(ReadAll(dir.File("real")), "new");
  struct stat st {};
  ASSERT_EQ(::lstat(dir.File("link2").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  // A link to a name that does not exist yet creates that file.
  ASSERT_EQ(::symlink("later", dir.File("dangling").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomically(dir.File("dangling"), "made", &error)) << error;
  EXPECT_EQ(ReadAll(dir.File("later")), "made");

  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink(dir.File("fifo").c_str(), dir.File("to-fifo").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  ASSERT_EQ(::symlink(dir.File("folder").c_str(), dir.File("to-folder").c_str()), 0);
  std::vector<std::string> refused = {"fifo", "to-fifo", "folder", "to-folder"};
  // A device node of our own (as root); its link must not turn into a file.
  if (::mknod(dir.File("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
    ASSERT_EQ(::symlink(dir.File("null").c_str(), dir.File("to-null").c_str()), 0);
    refused.push_back("null");
    refused.push_back("to-null");
  }
  for (const std::string& name : refused) {
    SCOPED_TRACE(name);
    error.clear();
    EXPECT_FALSE(WriteFileAtomically(dir.File(name), "x", &error));
    EXPECT_EQ(error.rfind("Cannot write " + dir.File(name) + ": ", 0), 0u) << error;
  }
  ASSERT_EQ(::lstat(dir.File("fifo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  if (::lstat(dir.File("null").c_str(), &st) == 0) {
    EXPECT_TRUE(S_ISCHR(st.st_mode));
  }
  for (const std::string& name : Names(dir.Path())) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(AtomicFile, FailuresAfterTheTempFileExistsKeepTheOldFile) {
  TempDir dir;
  const std::string path = dir.File("keep.ini");
  WriteAll(path, "old");
  for (AtomicFile::Fault fault : {AtomicFile::Fault::Write, AtomicFile::Fault::Rename}) {
    FaultGuard guard(fault);
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
    EXPECT_EQ(error, "Cannot write " + path + ": " + std::strerror(EIO));
    EXPECT_EQ(ReadAll(path), "old");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"keep.ini"});
  }
  // A missing folder is made only when asked for.
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(dir.File("a/b/c"), "x", &error));
  EXPECT_FALSE(Exists(dir.File("a")));
  AtomicWriteOptions make;
  make.createFolders = true;
  ASSERT_TRUE(WriteFileAtomically(dir.File("a/b/c"), "x", &error, make)) << error;
  EXPECT_EQ(ReadAll(dir.File("a/b/c")), "x");
  // A path below a regular file cannot be written (also as root).
  EXPECT_FALSE(WriteFileAtomically(path + "/below", "x", &error));
}

TEST(AtomicFile, TildeTempNameReplacesAnOldOne) {
  TempDir dir;
  const std::string path = dir.File("song.mp3");
  WriteAll(path, "audio");
  WriteAll(path + "~", "leftover");
  AtomicWriteOptions tilde;
  tilde.tempName = AtomicWriteOptions::TempName::Tilde;
  std::string seen;
  tilde.beforeRename = [&seen](const std::string& temp) { seen = temp + "=" + ReadAll(temp); };
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "tagged", &error, tilde)) << error;
  EXPECT_EQ(seen, path + "~=tagged");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"song.mp3"});
  // A folder by that name is not ours to remove.
  ASSERT_EQ(::mkdir((path + "~").c_str(), 0755), 0);
  EXPECT_FALSE(WriteFileAtomically(path, "again", &error, tilde));
  EXPECT_EQ(ReadAll(path), "tagged");
}

TEST(AtomicFile, OurTempNames) {
  const struct {
    const char* name;
    bool ours;
    long pid;
  } cases[] = {
      {".x.ini.123.4.tmp", true, 123},
      {"x.ini.tmp123-0", true, 123},     // the playlist writer's earlier name
      {"x.ini.tmp.123.7", true, 123},    // the registry writer's earlier name
      {".x.ini.123.4.tmp.bak", false, 0},
      {".x.ini.123.tmp", false, 0},
      {".x.ini.a.4.tmp", false, 0},
      {".y.ini.123.4.tmp", false, 0},
      {".xx.ini.123.4.tmp", false, 0},
      {"x.ini.tmp", false, 0},
      {"x.ini.tmp123", false, 0},
      {"x.ini.tmp123-", false, 0},
      {"x.ini.tmp.123-4", false, 0},
      {"x.ini~", false, 0},
      {"x.ini", false, 0},
      {".x.ini.99999999999.1.tmp", false, 0}, // not a process id
  };
  for (const auto& c : cases) {
    long pid = -1;
    EXPECT_EQ(Files::IsOurTempName(c.name, "x.ini", pid), c.ours) << c.name;
    EXPECT_EQ(pid, c.pid) << c.name;
  }
}

TEST(AtomicFile, StaleTempFilesOfOurOwnAreRemovedAtTheNextSave) {
  TempDir dir;
  const std::string path = dir.File("x.ini");
  WriteAll(path, "old");
  const std::string dead = std::to_string(DeadPid());
  const std::string alive = std::to_string(::getppid());
  const std::vector<std::string> stale = {".x.ini." + dead + ".0.tmp", "x.ini.tmp" + dead + "-3",
                                          "x.ini.tmp." + dead + ".12"};
  const std::vector<std::string> others = {".x.ini." + alive + ".0.tmp", // another running save
                                           ".x.ini." + dead + ".0.tmp.keep", ".y.ini." + dead + ".0.tmp",
                                           "x.ini.bak", "x.ini~"};
  for (const std::string& n : stale) WriteAll(dir.File(n), "half");
  for (const std::string& n : others) WriteAll(dir.File(n), "theirs");
  ASSERT_EQ(::mkdir(dir.File(".x.ini." + dead + ".1.tmp").c_str(), 0755), 0); // not a file: stays
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "new", &error)) << error;
  EXPECT_EQ(ReadAll(path), "new");
  for (const std::string& n : stale) EXPECT_FALSE(Exists(dir.File(n))) << n;
  for (const std::string& n : others) EXPECT_EQ(ReadAll(dir.File(n)), "theirs") << n;
  EXPECT_TRUE(std::filesystem::is_directory(dir.File(".x.ini." + dead + ".1.tmp")));

  // A save of the same file still under way in this process keeps its file.
  AtomicFile first(path);
  ASSERT_TRUE(first.Open());
  ASSERT_TRUE(WriteFileAtomically(path, "second", &error)) << error;
  EXPECT_TRUE(Exists(first.TempPath()));
  ASSERT_TRUE(first.Write("first") && first.Commit());
  EXPECT_EQ(ReadAll(path), "first");
}

#include "platform/IniProfile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <unistd.h>
#include <vector>
#include <sys/stat.h>
#include <sys/wait.h>

using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

namespace {

IniProfile FromText(const std::string& text) {
  IniProfile p;
  p.LoadFromText("unused.ini", text);
  return p;
}

std::vector<std::string> LeftoverTempFiles(const std::string& dir) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) out.push_back(e.path().string());
  }
  return out;
}

} // namespace

// ---- reading ----

TEST(IniRead, NamesMatchWithoutCaseAndSurroundingBlanks) {
  IniProfile p = FromText("[ oTHer ]\r\n Mode = 1\r\n\tQuickFind\t=0\r\n");
  EXPECT_EQ(p.ReadString("Other", "mode", "x"), "1");
  EXPECT_EQ(p.ReadString("OTHER", "QUICKFIND", "x"), "0");
  EXPECT_EQ(p.ReadString("Other", "Missing", "dflt"), "dflt");
  EXPECT_EQ(p.ReadString("Missing", "Mode", "dflt"), "dflt");
}

TEST(IniRead, BlanksAndOnePairOfMatchingQuotesAreRemoved) {
  IniProfile p = FromText(
      "[S]\n"
      "a =  spaced value \t\n"
      "b=\"quoted \"\n"
      "c=' single '\n"
      "d=\"\"x\"\"\n"    // only one pair goes
      "e=\"mismatch'\n"  // not a pair: kept
      "f=\"\n"           // a lone quote is not a pair
      "g=\n");
  EXPECT_EQ(p.ReadString("S", "a", ""), "spaced value");
  EXPECT_EQ(p.ReadString("S", "b", ""), "quoted ");
  EXPECT_EQ(p.ReadString("S", "c", ""), " single ");
  EXPECT_EQ(p.ReadString("S", "d", ""), "\"x\"");
  EXPECT_EQ(p.ReadString("S", "e", ""), "\"mismatch'");
  EXPECT_EQ(p.ReadString("S", "f", ""), "\"");
  EXPECT_EQ(p.ReadString("S", "g", "dflt"), ""); // present but empty is not missing
}

TEST(IniRead, LineEndsOfAnyKind) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string e = eol;
    IniProfile p = FromText("[A]" + e + "k=1" + e + "[B]" + e + "k=2");
    EXPECT_EQ(p.ReadString("A", "k", ""), "1") << "eol size " << e.size();
    EXPECT_EQ(p.ReadString("B", "k", ""), "2") << "eol size " << e.size();
  }
}

TEST(IniRead, CommentsStrayLinesAndKeysOutsideSections) {
  IniProfile p = FromText(
      "\xEF\xBB\xBF[Top]\n"  // a byte-order mark does not hide the first section
      "x=1\n"
      "; k=comment\n"
      "# k=comment\n"
      "no equals sign\n"
      "=nameless\n"
      "k=first\n"
      "K=second\n");
  EXPECT_EQ(p.ReadString("top", "x", ""), "1");
  EXPECT_EQ(p.ReadString("Top", "k", ""), "first");
  EXPECT_FALSE(p.HasKey("Top", "; k"));
  EXPECT_FALSE(p.HasKey("Top", "no equals sign"));

  IniProfile q = FromText("orphan=1\n[S]\n");
  EXPECT_EQ(q.ReadString("S", "orphan", "d"), "d");
}

TEST(IniRead, ResultIsBoundedByTheBuffer) {
  IniProfile p = FromText("[S]\nk=" + std::string(3000, 'v') + "\n");
  EXPECT_EQ(p.ReadString("S", "k", "", 2048), std::string(2047, 'v'));
  EXPECT_EQ(p.ReadString("S", "k", "", 1), "");
  EXPECT_EQ(p.ReadString("S", "k", "", 0), "");
  EXPECT_EQ(p.ReadString("S", "none", "defaultvalue", 4), "def");
}

TEST(IniRead, MissingOrUnreadableFileGivesDefaults) {
  TempDir dir;
  IniProfile p;
  EXPECT_TRUE(p.Load(dir.File("missing.ini")));
  EXPECT_EQ(p.ReadString("S", "k", "d"), "d");
  EXPECT_EQ(GetPrivateProfileString("S", "k", "d", 2048, dir.File("nofolder/x.ini")), "d");
  // A folder in the file's place cannot be read; Load says so.
  EXPECT_FALSE(p.Load(dir.Path()));
  EXPECT_EQ(p.ReadString("S", "k", "d"), "d");
}

// ---- writing ----

TEST(IniWrite, OtherLinesStayByteForByte) {
  const std::string before =
      "; settings, edited by hand\n"
      "[Unknown]\r\n"
      "foo = bar ; not a comment\r\n"
      "\r\n"
      "[Other]\n"
      "  mode = 1\n"
      "Extra=keep\n"
      "; about the next section\n"
      "\n"
      "[Tail]\r"
      "z=9";
  IniProfile p = FromText(before);
  ASSERT_TRUE(p.WriteString("OTHER", "Mode", "2"));      // replaced in place
  ASSERT_TRUE(p.WriteString("Other", "QuickFind", "0")); // added after the last key
  ASSERT_TRUE(p.WriteString("Tail", "y", "8"));          // last line had no line end
  ASSERT_TRUE(p.WriteString("New", "k", "v"));           // new section at the end
  const std::string after =
      "; settings, edited by hand\n"
      "[Unknown]\r\n"
      "foo = bar ; not a comment\r\n"
      "\r\n"
      "[Other]\n"
      "  mode = 2\n"
      "Extra=keep\n"
      "QuickFind=0\r\n"
      "; about the next section\n"
      "\n"
      "[Tail]\r"
      "z=9\r\n"
      "y=8\r\n"
      "\r\n"
      "[New]\r\n"
      "k=v\r\n";
  EXPECT_EQ(p.Text(), after);
}

TEST(IniWrite, MixedCaseNamesAreUpdatedNotDuplicated) {
  TempDir dir;
  const std::string path = dir.File("x.ini");
  WriteAll(path, "[lastFILES]\r\nlastskinfile=old\r\n");
  ASSERT_TRUE(WritePrivateProfileString("LastFiles", "LastSkinFile", "new", path));
  ASSERT_TRUE(WritePrivateProfileString("LASTFILES", "LASTSKINFILE", "newer", path));
  EXPECT_EQ(ReadAll(path), "[lastFILES]\r\nlastskinfile=newer\r\n");
  // A section that appears twice is one section: the key of the second copy is found and updated.
  IniProfile p = FromText("[A]\nx=1\n[a]\ny=2\n");
  EXPECT_EQ(p.ReadString("A", "y", ""), "2");
  ASSERT_TRUE(p.WriteString("A", "y", "3"));
  ASSERT_TRUE(p.WriteString("A", "z", "4"));
  EXPECT_EQ(p.Text(), "[A]\nx=1\nz=4\r\n[a]\ny=3\n");
}

TEST(IniWrite, ValuesReadBackAsWritten) {
  IniProfile p = FromText("");
  const std::vector<std::string> values = {"plain", " lead", "trail ", "\"quoted\"", "'q'", "", "\"", "a=b;c"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(p.WriteString("S", "k" + std::to_string(i), values[i]));
  }
  IniProfile q = FromText(p.Text());
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(q.ReadString("S", "k" + std::to_string(i), "?"), values[i]) << i;
  }
  // A line break would smuggle in a new line: the value ends there.
  ASSERT_TRUE(p.WriteString("S", "inject", "a\r\n[Evil]\r\nx=1"));
  IniProfile r = FromText(p.Text());
  EXPECT_EQ(r.ReadString("S", "inject", ""), "a");
  EXPECT_FALSE(r.HasKey("Evil", "x"));
}

TEST(IniWrite, NamesThatCannotBeStoredAreRefused) {
  IniProfile p = FromText("[S]\nk=1\n");
  EXPECT_FALSE(p.WriteString("", "k", "v"));
  EXPECT_FALSE(p.WriteString("S", " ", "v"));
  EXPECT_FALSE(p.WriteString("a]b", "k", "v"));
  EXPECT_FALSE(p.WriteString("S", "a=b", "v"));
  EXPECT_FALSE(p.WriteString("S", ";k", "v"));
  EXPECT_FALSE(p.WriteString("S\n[T]", "k", "v"));
  EXPECT_FALSE(p.Dirty());
  EXPECT_EQ(p.Text(), "[S]\nk=1\n");
}

// ---- the file on disk ----

TEST(IniFile, CreatedOnWriteAndRewrittenOnlyWhenChanged) {
  TempDir dir;
  const std::string path = dir.File("new.ini");
  IniProfile p;
  ASSERT_TRUE(p.Load(path));
  ASSERT_TRUE(p.WriteString("S", "a", "1"));
  ASSERT_TRUE(p.WriteString("S", "b", "2"));
  ASSERT_TRUE(p.Flush());
  EXPECT_EQ(ReadAll(path), "[S]\r\na=1\r\nb=2\r\n");

  struct stat before {}, after {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  IniProfile q;
  ASSERT_TRUE(q.Load(path));
  ASSERT_TRUE(q.WriteString("s", "A", "1")); // same value: nothing to write
  ASSERT_TRUE(q.Flush());
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_TRUE(LeftoverTempFiles(dir.Path()).empty());
}

TEST(IniFile, KeepsPermissionsAndSymbolicLinks) {
  TempDir dir;
  const std::string real = dir.File("real.ini");
  const std::string link = dir.File("link.ini");
  WriteAll(real, "[S]\nk=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "2", link));
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(real), "[S]\nk=2\n");
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(IniFile, RefusedWritesReportFailureAndChangeNothing) {
  TempDir dir;
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.File("no/such/folder/x.ini")));
  EXPECT_FALSE(Exists(dir.File("no")));

  // A folder where the file should be: neither read nor replaced.
  ASSERT_EQ(::mkdir(dir.File("folder.ini").c_str(), 0755), 0);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", dir.File("folder.ini")));
  IniProfile p;
  p.LoadFromText(dir.File("folder.ini"), "");
  ASSERT_TRUE(p.WriteString("S", "k", "v"));
  EXPECT_FALSE(p.Flush());
  EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));
  EXPECT_TRUE(LeftoverTempFiles(dir.Path()).empty());

  if (::geteuid() != 0) { // permission bits do not stop root
    const std::string ro = dir.File("readonly.ini");
    WriteAll(ro, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(ro.c_str(), 0444), 0);
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", ro));
    EXPECT_EQ(ReadAll(ro), "[S]\nk=1\n");
  }
}

namespace {
void ExitBeforeRename(const std::string&) { ::_exit(42); }
} // namespace

TEST(IniFile, CrashBeforeRenameLeavesOldFileWhole) {
  TempDir dir;
  const std::string path = dir.File("settings.ini");
  const std::string old = "; mine\r\n[S]\r\nk=old\r\n";
  WriteAll(path, old);

  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    IniProfile::SetBeforeRenameHook(&ExitBeforeRename);
    IniProfile p;
    if (!p.Load(path) || !p.WriteString("S", "k", "new")) ::_exit(1);
    p.Flush(); // ends the process after the temporary file is complete
    ::_exit(2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 42); // the process died between the two steps

  EXPECT_EQ(ReadAll(path), old);
  std::vector<std::string> temps = LeftoverTempFiles(dir.Path());
  ASSERT_EQ(temps.size(), 1u);
  EXPECT_EQ(ReadAll(temps[0]), "; mine\r\n[S]\r\nk=new\r\n"); // complete, just not in place

  // The next run writes normally and removes the dead process's leftover.
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "next", path));
  EXPECT_EQ(ReadAll(path), "; mine\r\n[S]\r\nk=next\r\n");
  EXPECT_TRUE(LeftoverTempFiles(dir.Path()).empty());
}

TEST(IniFile, FifoOrDeviceInsteadOfTheFileGivesDefaultsAndIsNotReplaced) {
  TempDir dir;
  const std::string fifo = dir.File("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // A link to a device node of the test folder's own: a regressed refusal
  // writes there, never to the system's /dev/zero.
  std::vector<std::string> paths = {fifo};
  if (const std::string device = dir.ZeroDevice("zero"); !device.empty()) {
    const std::string zero = dir.File("zero.ini");
    ASSERT_EQ(::symlink(device.c_str(), zero.c_str()), 0);
    paths.push_back(zero);
  } else {
    std::cerr << "No device node can be made here (not root): that case is skipped.\n";
  }
  for (const std::string& path : paths) {
    EXPECT_EQ(GetPrivateProfileString("S", "k", "def", 100, path), "def"); // at once, no waiting
    EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", path));
  }
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

#include "platform/RegistryStore.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>
#include <sys/stat.h>

namespace {

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

std::string Read(const RegistryStore& store, const std::string& key, const std::string& name = "") {
  std::string v;
  return store.ReadString(key, name, v) ? v : "<missing>";
}

TEST(MemoryRegistry, KeysAndValues) {
  MemoryRegistryStore store;
  ASSERT_TRUE(store.WriteString("\\Audio\\Sub", "Name", "v1"));
  EXPECT_TRUE(store.KeyExists("audio"));              // parents are made, any case matches
  EXPECT_EQ(Read(store, "AUDIO\\SUB", "name"), "v1");
  ASSERT_TRUE(store.WriteString("\\audio\\sub", "NAME", "v2"));
  EXPECT_EQ(Read(store, "\\Audio\\Sub", "Name"), "v2");
  std::vector<std::string> names;
  ASSERT_TRUE(store.GetSubkeys("\\", names));
  EXPECT_EQ(names, (std::vector<std::string>{"Audio"})); // first spelling kept

  std::string bytes;
  EXPECT_FALSE(store.ReadBinary("\\audio\\sub", "name", bytes)); // a text is no byte value
  EXPECT_FALSE(store.DeleteKey("\\audio"));                       // it has a subkey
  EXPECT_FALSE(store.DeleteKey("\\"));
  EXPECT_TRUE(store.DeleteKey("\\audio\\sub"));
  EXPECT_TRUE(store.DeleteKey("\\audio"));
  EXPECT_FALSE(store.KeyExists("\\audio"));

  for (const char* bad : {"\\a\\\\b", "\\a\\", "\\a\nb", "\\"}) {
    EXPECT_FALSE(store.WriteString(bad, "", "x")) << bad;
  }
  EXPECT_FALSE(store.CreateKey(std::string(300, 'k')));
  std::string deep;
  for (size_t i = 0; i <= MemoryRegistryStore::kMaxDepth; ++i) deep += "\\k";
  EXPECT_FALSE(store.CreateKey(deep));
}

TEST(MemoryRegistry, TextFormRoundTripsAwkwardData) {
  MemoryRegistryStore a;
  const std::string awkward = std::string("quote\" back\\slash\nnew line\ttab \xC3\xA9 ") + std::string(1, '\0') + "end";
  ASSERT_TRUE(a.WriteString("\\k [x]", "", awkward));
  ASSERT_TRUE(a.WriteString("\\k [x]", "name \"q\"", "plain"));
  ASSERT_TRUE(a.WriteBinary("\\k [x]\\bin", "B", "\x00\xff\x10", 3));
  ASSERT_TRUE(a.WriteBinary("\\k [x]\\bin", "Empty", "", 0));
  ASSERT_TRUE(a.CreateKey("\\empty"));
  const std::string text = a.ToText();

  MemoryRegistryStore b;
  std::string error;
  ASSERT_TRUE(b.FromText(text, &error)) << error;
  EXPECT_EQ(Read(b, "\\K [X]"), awkward);
  EXPECT_EQ(Read(b, "\\k [x]", "NAME \"Q\""), "plain");
  std::string bytes;
  ASSERT_TRUE(b.ReadBinary("\\k [x]\\bin", "b", bytes));
  EXPECT_EQ(bytes, std::string("\x00\xff\x10", 3));
  ASSERT_TRUE(b.ReadBinary("\\k [x]\\bin", "empty", bytes));
  EXPECT_EQ(bytes, "");
  EXPECT_TRUE(b.KeyExists("\\empty"));
  EXPECT_EQ(b.ToText(), text);

  // Keys that only lead to deeper keys are implied, not written out.
  MemoryRegistryStore chain;
  ASSERT_TRUE(chain.CreateKey("\\x\\y\\z"));
  EXPECT_EQ(chain.ToText(), "Velmaris Registry 1\n\n[x\\y\\z]\n\n");
}

TEST(MemoryRegistry, DamagedTextIsRefusedWithItsLine) {
  const std::string head = "Velmaris Registry 1\r\n; comment\r\n\r\n";
  MemoryRegistryStore store;
  std::string error;
  EXPECT_TRUE(store.FromText(head + "[a]\r\n@=\"x\"\r\n", &error)) << error; // CR LF is fine
  EXPECT_EQ(Read(store, "\\a"), "x");
  EXPECT_TRUE(store.FromText("", &error)); // a zero-byte file holds nothing

  const char* bad[] = {"@=\"x\"",  "[a]\n@=\"x",      "[a]\n@=hex:0",  "[a]\n@=hex:00,",
                       "[a",        "[a\\\\b]",        "[]",            "[a]\n\"n\"\"x\"",
                       "[a]\n@=\"\\q\"", "[a]\n@=\"x\" junk", "[a]\n@=\"\\x4\"", "garbage"};
  for (const char* body : bad) {
    EXPECT_FALSE(store.FromText(head + body + "\n", &error)) << body;
    EXPECT_NE(error.find("line "), std::string::npos);
    EXPECT_FALSE(store.KeyExists("\\a")) << body; // left empty
  }
  EXPECT_FALSE(store.FromText("Some other file\n[a]\n", &error));
  EXPECT_EQ(error.rfind("line 1:", 0), 0u) << error;
}

class FileRegistryTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string path = dir.File("velmaris/classes.reg");
};

TEST_F(FileRegistryTest, MissingFileIsEmptyAndChangesAreSaved) {
  {
    FileRegistryStore store(path);
    EXPECT_TRUE(store.LoadError().empty());
    EXPECT_FALSE(store.KeyExists("\\.mp3"));
    ASSERT_TRUE(store.WriteString("\\.mp3", "", "mp3file")) << store.LastError();
    ASSERT_TRUE(store.WriteBinary("\\mp3file", "EditFlags", "\0\0\0\0", 4));
  }
  FileRegistryStore again(path);
  EXPECT_EQ(Read(again, "\\.MP3"), "mp3file");
  std::string bytes;
  EXPECT_TRUE(again.ReadBinary("\\mp3file", "EditFlags", bytes));
  EXPECT_EQ(bytes.size(), 4u);
  EXPECT_EQ(ReadAll(path), again.ToText());
}

TEST_F(FileRegistryTest, ReplacesTheFileAtomically) {
  {
    FileRegistryStore store(path);
    ASSERT_TRUE(store.WriteString("\\old", "", "1"));
  }
  ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
  const std::string before = ReadAll(path);
  std::ifstream reader(path, std::ios::binary); // a reader of the old file keeps it whole

  FileRegistryStore store(path);
  store.BeginUpdate();
  ASSERT_TRUE(store.WriteString("\\new", "", "2"));
  EXPECT_EQ(ReadAll(path), before); // nothing saved until the group ends
  ASSERT_TRUE(store.EndUpdate());

  std::string seen((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
  EXPECT_EQ(seen, before);
  EXPECT_NE(ReadAll(path).find("[new]"), std::string::npos);
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u); // mode kept
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("velmaris"))) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1); // no temporary file left behind
}

TEST_F(FileRegistryTest, DamagedFileReadsEmptyAndIsNeverOverwritten) {
  std::filesystem::create_directories(dir.File("velmaris"));
  const std::string damaged = "Velmaris Registry 1\n[.mp3]\n@=\"unterminated\n";
  WriteAll(path, damaged);
  FileRegistryStore store(path);
  EXPECT_FALSE(store.KeyExists("\\.mp3"));
  EXPECT_NE(store.LoadError().find("damaged"), std::string::npos) << store.LoadError();
  EXPECT_FALSE(store.WriteString("\\.m3u", "", "m3ufile"));
  EXPECT_NE(store.LastError().find(path), std::string::npos) << store.LastError();
  EXPECT_FALSE(store.KeyExists("\\.m3u"));
  EXPECT_EQ(ReadAll(path), damaged);

  // Once the file is repaired, changes go through again.
  WriteAll(path, "Velmaris Registry 1\n[.mp3]\n@=\"mp3file\"\n");
  EXPECT_TRUE(store.WriteString("\\.m3u", "", "m3ufile")) << store.LastError();
  EXPECT_EQ(Read(store, "\\.mp3"), "mp3file");
}

TEST_F(FileRegistryTest, UnreadableFileReadsEmptyAndRefusesChanges) {
  std::filesystem::create_directories(path); // a folder where the file should be
  FileRegistryStore store(path);
  EXPECT_FALSE(store.LoadError().empty());
  EXPECT_FALSE(store.CreateKey("\\.mp3"));
  EXPECT_FALSE(store.LastError().empty());
  EXPECT_FALSE(store.KeyExists("\\.mp3"));

  std::filesystem::remove(path);
  WriteAll(path, "Velmaris Registry 1\n" + std::string(FileRegistryStore::kMaxFileSize, ';'));
  FileRegistryStore huge(path);
  EXPECT_NE(huge.LoadError().find("too large"), std::string::npos) << huge.LoadError();
  EXPECT_FALSE(huge.CreateKey("\\.mp3"));
}

TEST_F(FileRegistryTest, FifoOrDeviceInPlaceOfTheFileNeitherHangsNorIsReplaced) {
  std::filesystem::create_directories(dir.File("velmaris"));
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // A device node of the test folder's own: a regressed refusal writes there.
  std::vector<std::string> targets = {fifo};
  if (const std::string zero = dir.ZeroDevice("zero"); !zero.empty()) targets.push_back(zero);
  else std::cerr << "No device node can be made here (not root): that case is skipped.\n";
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    std::filesystem::remove(path);
    ASSERT_EQ(::symlink(target.c_str(), path.c_str()), 0);
    EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&] {
      FileRegistryStore store(path);
      return store.LoadError().find("Not a regular file") != std::string::npos && !store.KeyExists("\\.mp3") &&
             !store.CreateKey("\\.mp3");
    }));
  }
  // Saving through a link to a FIFO or device refuses instead of replacing it.
  std::filesystem::remove(path);
  ASSERT_EQ(::symlink(fifo.c_str(), path.c_str()), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(path, "text", &error));
  EXPECT_NE(error.find("Not a regular file"), std::string::npos) << error;
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST_F(FileRegistryTest, ChangesByAnotherStoreAreNotLost) {
  FileRegistryStore first(path);
  FileRegistryStore second(path);
  ASSERT_TRUE(second.WriteString("\\.pls", "", "plsfile"));
  ASSERT_TRUE(first.WriteString("\\.mp3", "", "mp3file"));
  FileRegistryStore third(path);
  EXPECT_EQ(Read(third, "\\.pls"), "plsfile");
  EXPECT_EQ(Read(third, "\\.mp3"), "mp3file");
}

TEST(FileRegistryPath, FollowsXdgDataHome) {
  const char* oldData = std::getenv("XDG_DATA_HOME");
  const std::string saved = oldData ? oldData : "";
  ::setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
  EXPECT_EQ(FileRegistryStore::DefaultPath(), "/tmp/xdg-data/velmaris/classes.reg");
  ::setenv("XDG_DATA_HOME", "relative/ignored", 1);
  const char* home = std::getenv("HOME");
  EXPECT_EQ(FileRegistryStore::DefaultPath(), std::string(home ? home : "") + "/.local/share/velmaris/classes.reg");
  if (oldData) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
}

} // namespace

#include "options/FileExtension.h"
#include "platform/RegistryStore.h"
#include "options/XdgSync.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <vector>
#include <sys/stat.h>

namespace {

using testsupport::Exists;
using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

const std::string kProgram = "/opt/Velmaris/velmaris";

// Points the XDG folders (and PATH, when asked) at temporary places for one test.
class XdgTest : public ::testing::Test {
protected:
  void SetUp() override {
    Save("XDG_DATA_HOME");
    Save("XDG_CONFIG_HOME");
    Save("PATH");
    ::setenv("XDG_DATA_HOME", (dir.Path() + "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir.Path() + "config").c_str(), 1);
    ::setenv("PATH", (dir.Path() + "no-tools").c_str(), 1);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved) {
      if (value.first) ::setenv(name.c_str(), value.second.c_str(), 1);
      else ::unsetenv(name.c_str());
    }
  }
  void Save(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    saved.emplace_back(name, std::make_pair(v != nullptr, std::string(v ? v : "")));
  }

  std::string Desktop() const { return dir.Path() + "data/applications/velmaris.desktop"; }
  std::string Package() const { return dir.Path() + "data/mime/packages/velmaris.xml"; }
  std::string MimeApps() const { return dir.Path() + "config/mimeapps.list"; }

  TempDir dir;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved;
};

TEST_F(XdgTest, RegisterInstallsTheDesktopFiles) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  ConnectXdgSync(reg, kProgram);
  reg.Add(".mp3", kProgram, "MP3 Velmaris Audio File");
  reg.Add(".vpls", kProgram, "Velmaris Playlist");
  ASSERT_TRUE(reg.Register());

  const std::string desktop = ReadAll(Desktop());
  EXPECT_NE(desktop.find("\nName=Velmaris\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nIcon=velmaris\n"), std::string::npos);
  EXPECT_NE(desktop.find("\nExec=\"" + kProgram + "\" %f\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("\nMimeType=audio/mpeg;application/x-velmaris-playlist;\n"), std::string::npos) << desktop;

  const std::string package = ReadAll(Package());
  EXPECT_NE(package.find("type=\"application/x-velmaris-playlist\""), std::string::npos);
  EXPECT_NE(package.find("*.vpls"), std::string::npos);
  EXPECT_EQ(package.find("*.b4s"), std::string::npos); // .b4s is not associated

  EXPECT_EQ(ReadAll(MimeApps()),
            "[Default Applications]\naudio/mpeg=velmaris.desktop;\n"
            "application/x-velmaris-playlist=velmaris.desktop;\n");

  // Taking everything back removes every trace.
  EXPECT_TRUE(reg.Unregister(".mp3"));
  EXPECT_EQ(ReadAll(Desktop()).find("audio/mpeg"), std::string::npos);
  EXPECT_TRUE(reg.Unregister(".vpls"));
  EXPECT_FALSE(Exists(Desktop()));
  EXPECT_FALSE(Exists(Package()));
  EXPECT_EQ(ReadAll(MimeApps()), "[Default Applications]\n");
}

TEST_F(XdgTest, OnlyAssociationsRunningThisProgramCount) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  reg.Add(".m3u", "/usr/bin/otherplayer");
  reg.Add(".pls", "/OPT/VELMARIS/VELMARIS"); // same program, other letter case
  reg.Add(".b4s", kProgram);
  ASSERT_TRUE(reg.Register());
  EXPECT_EQ(AssociatedExtensions(reg, kProgram), (std::vector<std::string>{".b4s", ".pls"}));

  XdgSync sync(kProgram);
  sync.SetRunTools(false);
  ASSERT_TRUE(sync.Sync(reg)) << sync.LastError();
  const std::string desktop = ReadAll(Desktop());
  EXPECT_NE(desktop.find("MimeType=application/x-winamp-playlist;audio/x-scpls;\n"), std::string::npos) << desktop;
  EXPECT_EQ(ReadAll(MimeApps()).find("audio/x-mpegurl"), std::string::npos);
}

TEST_F(XdgTest, MimeAppsKeepsForeignLines) {
  const std::string original =
      "# my settings\n"
      "[Added Associations]\n"
      "audio/mpeg=vlc.desktop;\n"
      "\n"
      "[Default Applications]\n"
      "text/plain=vim.desktop;\n"
      "audio/mpeg=vlc.desktop;\n"
      "audio/x-scpls=other.desktop;\n"
      "\n"
      "[X-Custom]\n"
      "key = value";
  std::filesystem::create_directories(dir.Path() + "config");
  WriteAll(MimeApps(), original);

  XdgSync sync(kProgram);
  sync.SetRunTools(false);
  ASSERT_TRUE(sync.Apply({".mp3", ".m3u"})) << sync.LastError();
  EXPECT_EQ(ReadAll(MimeApps()),
            "# my settings\n"
            "[Added Associations]\n"
            "audio/mpeg=vlc.desktop;\n"
            "\n"
            "[Default Applications]\n"
            "text/plain=vim.desktop;\n"
            "audio/mpeg=velmaris.desktop;vlc.desktop;\n"
            "audio/x-scpls=other.desktop;\n"
            "audio/x-mpegurl=velmaris.desktop;\n"
            "\n"
            "[X-Custom]\n"
            "key = value\n");

  // Withdrawing gives the other program its place back and leaves
  // another program's association of a type we drop alone.
  ASSERT_TRUE(sync.Apply({}));
  EXPECT_EQ(ReadAll(MimeApps()), original + "\n");
  EXPECT_FALSE(Exists(Desktop()));
}

TEST_F(XdgTest, FifoOrDeviceInPlaceOfADesktopFileIsAnErrorNotAHang) {
  std::filesystem::create_directories(dir.Path() + "config");
  std::filesystem::create_directories(dir.Path() + "data/applications");
  const std::string fifo = dir.File("fifo");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  // mimeapps.list as a FIFO, then as a link to /dev/zero (endless bytes).
  // A device node of the test folder's own: a regressed refusal writes there.
  std::vector<std::string> targets = {fifo};
  if (const std::string zero = dir.ZeroDevice("zero"); !zero.empty()) targets.push_back(zero);
  else std::cerr << "No device node can be made here (not root): that case is skipped.\n";
  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    std::filesystem::remove(MimeApps());
    ASSERT_EQ(::symlink(target.c_str(), MimeApps().c_str()), 0);
    EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&] {
      XdgSync sync(kProgram);
      sync.SetRunTools(false);
      return !sync.Apply({".mp3"}) && sync.LastError() == "Cannot read " + MimeApps() + ": Not a regular file";
    }));
  }
  // Our desktop file's name taken by a link to a FIFO: refused, not replaced.
  std::filesystem::remove(MimeApps());
  std::filesystem::remove(Desktop());
  ASSERT_EQ(::symlink(fifo.c_str(), Desktop().c_str()), 0);
  EXPECT_TRUE(testsupport::ChildSucceedsWithin(5, [&] {
    XdgSync sync(kProgram);
    sync.SetRunTools(false);
    return !sync.Apply({".mp3"}) && sync.Apply({}); // not ours: left alone
  }));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_TRUE(std::filesystem::is_symlink(Desktop()));
}

TEST(MimeAppsText, EditsOnlyOurEntries) {
  // No section yet: one is added at the end.
  EXPECT_EQ(XdgSync::UpdateMimeApps("[Other]\na=b", {"audio/mpeg"}, {}),
            "[Other]\na=b\n\n[Default Applications]\naudio/mpeg=velmaris.desktop;\n");
  // Already first: the line is left exactly as written.
  EXPECT_EQ(XdgSync::UpdateMimeApps("[Default Applications]\nAudio/MPEG = velmaris.desktop ; x.desktop\n",
                                    {"audio/mpeg"}, {}),
            "[Default Applications]\nAudio/MPEG = velmaris.desktop ; x.desktop\n");
  // Duplicated entries of ours are folded into one, in front.
  EXPECT_EQ(XdgSync::UpdateMimeApps("[Default Applications]\naudio/mpeg=a.desktop;velmaris.desktop;velmaris.desktop\n",
                                    {"audio/mpeg"}, {}),
            "[Default Applications]\naudio/mpeg=velmaris.desktop;a.desktop;\n");
  // Withdrawing touches only lines that name us.
  EXPECT_EQ(XdgSync::UpdateMimeApps("[Default Applications]\naudio/mpeg=a.desktop;velmaris.desktop;\n"
                                    "audio/x-scpls=velmaris.desktop;\n[Added Associations]\naudio/x-scpls=velmaris.desktop;\n",
                                    {}, {"audio/mpeg", "audio/x-scpls"}),
            "[Default Applications]\naudio/mpeg=a.desktop;\n[Added Associations]\naudio/x-scpls=velmaris.desktop;\n");
  EXPECT_EQ(XdgSync::UpdateMimeApps("", {}, {"audio/mpeg"}), "");
}

TEST_F(XdgTest, ExecLineQuotesAwkwardPaths) {
  XdgSync sync("/home/a b/$HOME/100%/\"x\"\\velmaris");
  const std::string entry = sync.DesktopEntry({"audio/mpeg"});
  EXPECT_NE(entry.find("Exec=\"/home/a b/\\\\$HOME/100%%/\\\\\"x\\\\\"\\\\\\\\velmaris\" %f\n"), std::string::npos)
      << entry;
}

TEST_F(XdgTest, ForeignDesktopFileIsNotRemoved) {
  std::filesystem::create_directories(dir.Path() + "data/applications");
  WriteAll(Desktop(), "[Desktop Entry]\nName=My own launcher\n");
  XdgSync sync(kProgram);
  ASSERT_TRUE(sync.Apply({}));
  EXPECT_EQ(ReadAll(Desktop()), "[Desktop Entry]\nName=My own launcher\n");
}

TEST_F(XdgTest, DatabaseToolsRunOnlyWhenFoundAndNeeded) {
  XdgSync sync(kProgram);
  ASSERT_TRUE(sync.Apply({".vpls"})); // PATH has no tools: nothing runs, nothing fails
  EXPECT_TRUE(sync.ToolsRun().empty());
  ASSERT_TRUE(sync.Apply({}));

  const char* system = "/usr/bin:/bin";
  ::setenv("PATH", system, 1);
  ASSERT_TRUE(sync.Apply({".mp3"}));
  for (const std::string& run : sync.ToolsRun()) EXPECT_EQ(run.find("update-mime-database"), std::string::npos);
  ASSERT_TRUE(sync.Apply({".mp3"})); // nothing changed: nothing to update
  EXPECT_TRUE(sync.ToolsRun().empty());

  if (!Exists("/usr/bin/update-mime-database")) GTEST_SKIP() << "update-mime-database is not installed";
  ASSERT_TRUE(sync.Apply({".mp3", ".b4s"}));
  ASSERT_FALSE(sync.ToolsRun().empty());
  const std::string globs = ReadAll(dir.Path() + "data/mime/globs2");
  EXPECT_NE(globs.find("application/x-winamp-playlist:*.b4s"), std::string::npos) << globs;
}

TEST(XdgPathsTest, EmptyHomeIsAnErrorNotACrash) {
  XdgSync sync(kProgram, XdgPaths{"", ""});
  EXPECT_FALSE(sync.Apply({".mp3"}));
  EXPECT_FALSE(sync.LastError().empty());
}

} // namespace

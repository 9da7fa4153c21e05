#include "options/FileExtension.h"
#include "platform/RegistryStore.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

const std::string kProgram = "/opt/Velmaris/velmaris";

std::string Value(RegistryStore& store, const std::string& key, const std::string& name = "") {
  std::string v;
  EXPECT_TRUE(store.ReadString(key, name, v)) << key << " [" << name << "]";
  return v;
}

std::vector<std::string> Subkeys(RegistryStore& store, const std::string& key) {
  std::vector<std::string> names;
  store.GetSubkeys(key, names);
  return names;
}

TEST(ExtCommand, FileNameArgumentIsAlwaysPresent) {
  EXPECT_EQ(TExtCommand("open", "&Open", "%1").Params(), "\"%1\"");
  EXPECT_EQ(TExtCommand("open", "&Open", "").Params(), " \"%1\"");
  EXPECT_EQ(TExtCommand("play", "&Play", "-play").Params(), "-play \"%1\"");
  EXPECT_EQ(TExtCommand("open", "&Open", "\"%1\" -x").Params(), "\"%1\" -x");

  TExtCommands commands;
  EXPECT_EQ(commands.Add(nullptr), -1);
  EXPECT_EQ(commands.Add("play", "&Play"), 0);
  EXPECT_EQ(commands.Add("open", "&Open", "%1"), 1);
  EXPECT_EQ(commands.DefaultVerb(), "play"); // the first verb added stays the default
  EXPECT_EQ(commands.GetCommand(0)->Params(), "\"%1\"");
  EXPECT_EQ(commands.GetCommand(2), nullptr);
  EXPECT_EQ(commands.GetCommand(-1), nullptr);
}

TEST(ExtInfo, DescriptionAndIconDefaults) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  ASSERT_EQ(reg.Add(".mp3", kProgram), 0);
  ASSERT_EQ(reg.Add("mp3", kProgram), 1);
  EXPECT_EQ(reg.GetExt(0)->Description(), "mp3 File");
  EXPECT_EQ(reg.GetExt(1)->Description(), "mp3 File");
  EXPECT_EQ(reg.GetExt(0)->Icon(), kProgram + ",0");
  EXPECT_EQ(reg.GetExt(2), nullptr);
  EXPECT_EQ(reg.Add(std::unique_ptr<TExtInfo>()), -1);

  TExtInfo noPath(".pls", "", "Velmaris Playlist", 0);
  EXPECT_EQ(noPath.Icon(), "");
  EXPECT_EQ(noPath.Description(), "Velmaris Playlist");
  TExtInfo noDescription(".m3u", kProgram, "", 0);
  EXPECT_EQ(noDescription.Description(), "m3u File");
}

TEST(RegExtension, RegisterWritesTheKeyLayout) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  reg.Add(".mp3", kProgram, "MP3 Velmaris Audio File");
  reg.Add(".vpls", kProgram, "Velmaris Playlist", 0x01020304);
  ASSERT_TRUE(reg.Register());

  EXPECT_EQ(Value(store, "\\.mp3"), "mp3file");
  EXPECT_EQ(Value(store, "\\mp3file"), "MP3 Velmaris Audio File");
  std::string flags;
  ASSERT_TRUE(store.ReadBinary("\\mp3file", "EditFlags", flags));
  EXPECT_EQ(flags, std::string(4, '\0'));
  EXPECT_EQ(Value(store, "\\mp3file\\DefaultIcon"), kProgram + ",0");
  EXPECT_EQ(Value(store, "\\mp3file\\shell"), "open");
  EXPECT_EQ(Value(store, "\\mp3file\\shell\\open"), "&Open");
  EXPECT_EQ(Value(store, "\\mp3file\\shell\\open\\command"), "\"" + kProgram + "\" \"%1\"");
  EXPECT_EQ(Subkeys(store, "\\mp3file"), (std::vector<std::string>{"DefaultIcon", "shell"}));
  EXPECT_EQ(Subkeys(store, "\\mp3file\\shell"), (std::vector<std::string>{"open"}));
  EXPECT_EQ(Subkeys(store, "\\mp3file\\shell\\open"), (std::vector<std::string>{"command"}));

  ASSERT_TRUE(store.ReadBinary("\\vplsfile", "EditFlags", flags));
  EXPECT_EQ(flags, std::string("\x04\x03\x02\x01", 4)); // little-endian
  EXPECT_EQ(Value(store, "\\.vpls"), "vplsfile");
  EXPECT_EQ(Subkeys(store, "\\"), (std::vector<std::string>{".mp3", ".vpls", "mp3file", "vplsfile"}));
}

TEST(RegExtension, EmptyPathStopsRegisterButTheDesktopIsStillTold) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  int told = 0;
  reg.SetAssocChangedHandler([&] { ++told; });
  reg.Add(".mp3", kProgram);
  reg.Add(".m3u", "");
  reg.Add(".pls", kProgram);
  EXPECT_FALSE(reg.Register());
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(reg.IsRegistered(".mp3"));
  EXPECT_FALSE(reg.IsRegistered(".m3u"));
  EXPECT_FALSE(reg.IsRegistered(".pls"));

  TRegExtension none(store);
  EXPECT_FALSE(none.Register()); // nothing to register
}

TEST(RegExtension, ExtensionWithoutDotIsRegisteredUnderItsDottedName) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  reg.Add("mp3", kProgram);
  ASSERT_TRUE(reg.Register());
  EXPECT_EQ(Value(store, "\\.mp3"), "mp3file");
  EXPECT_FALSE(store.KeyExists("\\mp3"));
  EXPECT_FALSE(store.KeyExists("\\p3file"));

  TRegExtension dotOnly(store);
  dotOnly.Add(".", kProgram);
  EXPECT_FALSE(dotOnly.Register());
  EXPECT_FALSE(store.KeyExists("\\file"));
}

TEST(RegExtension, UnregisterRemovesBothKeysAndOnlyThose) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  int told = 0;
  reg.SetAssocChangedHandler([&] { ++told; });
  EXPECT_FALSE(reg.Unregister(".mp3")); // not registered
  EXPECT_EQ(told, 1);

  reg.Add(".mp3", kProgram);
  reg.Add(".pls", kProgram);
  ASSERT_TRUE(reg.Register());
  EXPECT_EQ(reg.GetRegExts(), (std::vector<std::string>{".mp3", ".pls"}));
  EXPECT_TRUE(reg.Unregister("MP3"));
  EXPECT_EQ(told, 3);
  EXPECT_FALSE(store.KeyExists("\\.mp3"));
  EXPECT_FALSE(store.KeyExists("\\mp3file"));
  EXPECT_TRUE(store.KeyExists("\\plsfile\\shell\\open\\command"));
  EXPECT_EQ(reg.GetRegExts(), (std::vector<std::string>{".pls"})); // refreshed after the change
}

TEST(RegExtension, GetExtInfoReadsTheRegistrationBack) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  reg.Add(".m3u", kProgram, "Velmaris Playlist");
  ASSERT_TRUE(reg.Register());

  auto info = reg.GetExtInfo("m3u");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Ext(), ".m3u");
  EXPECT_EQ(info->Path(), AssociationCommandLine(kProgram)); // the whole command line
  EXPECT_EQ(info->Description(), "Velmaris Playlist");
  EXPECT_EQ(info->Icon(), kProgram + ",0");
  EXPECT_EQ(info->EditFlags(), 0u);
  EXPECT_EQ(info->Commands().DefaultVerb(), "open");
  ASSERT_EQ(info->Commands().GetCount(), 1);
  EXPECT_EQ(info->Commands().GetCommand(0)->Caption(), "&Open");
  EXPECT_EQ(info->Commands().GetCommand(0)->Params(), AssociationCommandLine(kProgram));

  // A command without %1 keeps its stored form in Path; the verb gets the argument.
  ASSERT_TRUE(store.WriteString("\\m3ufile\\shell\\open\\command", "", "player.exe"));
  info = reg.GetExtInfo(".m3u");
  EXPECT_EQ(info->Path(), "player.exe");
  EXPECT_EQ(info->Commands().GetCommand(0)->Params(), "player.exe \"%1\"");

  EXPECT_EQ(reg.GetExtInfo(".pls"), nullptr);
  ASSERT_TRUE(store.WriteString("\\.pls", "", ""));
  EXPECT_EQ(reg.GetExtInfo(".pls"), nullptr); // registered without a type
}

TEST(RegExtension, NamesMatchWithoutRegardToCase) {
  MemoryRegistryStore store;
  ASSERT_TRUE(store.WriteString("\\.MP3", "", "MP3File"));
  ASSERT_TRUE(store.WriteString("\\MP3FILE\\Shell\\Open\\Command", "", "\"/OPT/VELMARIS/VELMARIS\" \"%1\""));
  ASSERT_TRUE(store.WriteString("\\mp3file\\SHELL", "", "Open"));
  TRegExtension reg(store);
  EXPECT_TRUE(reg.IsRegistered(".mp3"));
  auto info = reg.GetExtInfo(".mp3");
  ASSERT_NE(info, nullptr);
  EXPECT_NE(info->Path(), AssociationCommandLine(kProgram));
  std::string lowered = info->Path();
  for (char& c : lowered) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::string expected = AssociationCommandLine(kProgram);
  for (char& c : expected) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(lowered, expected);
  EXPECT_EQ(reg.ReadValue("\\MP3file\\shell", ""), "Open");
  // Unregister finds the type whatever its spelling.
  EXPECT_TRUE(reg.Unregister(".Mp3"));
  EXPECT_FALSE(store.KeyExists("\\mp3file"));
}

TEST(RegExtension, DeleteKeyAndValueAccess) {
  MemoryRegistryStore store;
  TRegExtension reg(store);
  ASSERT_TRUE(reg.WriteValue("\\a\\b\\c", "", "x"));
  ASSERT_TRUE(reg.WriteValue("\\a\\d", "n", "y"));
  ASSERT_TRUE(reg.WriteValue("\\keep", "", "z"));
  EXPECT_FALSE(reg.DeleteKey("\\missing"));
  EXPECT_FALSE(reg.DeleteKey("\\"));          // never the whole registry
  EXPECT_TRUE(store.KeyExists("\\a\\b\\c"));
  EXPECT_TRUE(reg.DeleteKey("\\a"));
  EXPECT_FALSE(store.KeyExists("\\a"));
  EXPECT_EQ(reg.ReadValue("\\keep", ""), "z");

  std::vector<std::string> list{"stale"};
  reg.GetSubkeys("", list);
  EXPECT_TRUE(list.empty());
  reg.GetSubkeys("\\nothing", list);
  EXPECT_TRUE(list.empty());

  const unsigned char six[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(reg.WriteBinary("\\keep", "Bytes", 6, six));
  unsigned char buf[4] = {9, 9, 9, 9};
  EXPECT_FALSE(reg.ReadBinary("\\keep", "Bytes", 4, buf)); // larger than the buffer
  EXPECT_FALSE(reg.ReadBinary("\\keep", "None", 4, buf));
  EXPECT_FALSE(reg.ReadBinary("\\keep", "", 4, buf));     // a text, not bytes
  ASSERT_TRUE(reg.WriteBinary("\\keep", "Two", 2, six));
  EXPECT_TRUE(reg.ReadBinary("\\keep", "Two", 4, buf));
  EXPECT_EQ(buf[0], 1);
  EXPECT_EQ(buf[1], 2);
  EXPECT_EQ(buf[2], 9);
}

TEST(RegExtension, RegisteredExtensionsListIsSortedAndFiltered) {
  MemoryRegistryStore store;
  for (const char* key : {"\\.Zip", "\\.", "\\.abc", "\\txtfile", "\\.MP3"}) ASSERT_TRUE(store.CreateKey(key));
  TRegExtension reg(store);
  EXPECT_EQ(reg.GetRegExts(), (std::vector<std::string>{".abc", ".MP3", ".Zip"}));
  ASSERT_TRUE(store.CreateKey("\\.new"));
  EXPECT_EQ(reg.GetRegExts().size(), 3u); // cached until the next Register/Unregister
  reg.Unregister(".none");
  EXPECT_EQ(reg.GetRegExts().size(), 4u);
}

TEST(RegExtension, FailedSaveIsReportedAndNotKept) {
  testsupport::TempDir dir;
  testsupport::WriteAll(dir.File("blocker"), "a file where a folder should be");
  FileRegistryStore store(dir.File("blocker/velmaris/classes.reg"));
  TRegExtension reg(store);
  reg.Add(".mp3", kProgram);
  EXPECT_FALSE(reg.Register());
  EXPECT_NE(store.LastError().find("Cannot write"), std::string::npos) << store.LastError();
  EXPECT_FALSE(reg.IsRegistered(".mp3")); // what is read matches the disk
}

} // namespace

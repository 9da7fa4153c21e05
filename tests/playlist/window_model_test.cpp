// The playlist lines of the main window: display texts in the four modes,
// adding lines, and OpenPath's dispatch by extension.
#include <gtest/gtest.h>

#include <QLabel>

#include "playlist/window_helpers.h"

using testsupport::Id3v1Block;
using testsupport::Id3v1Fields;
using testsupport::Id3v2Tag;
using testsupport::Id3v2TextFrame;
using testsupport::WriteAll;

namespace {

using Strings = std::vector<std::string>;

class PlayListModelWindow : public PlayListWindow {};

TEST_F(PlayListModelWindow, DisplayTextFollowsTheModeAndFallsBackWithoutTags) {
  auto& w = CreateWindow();
  const std::string plain = MakeSong("A.B.mp3");
  EXPECT_EQ(w.EntryDisplayText(0, plain), "A.B.mp3");
  for (int mode : {1, 2, 3, 7, -1}) EXPECT_EQ(w.EntryDisplayText(mode, plain), "A.B") << mode;
  // A dot in a folder name cuts nothing; a name that is only an extension is empty.
  EXPECT_EQ(w.EntryDisplayText(1, "/music/v1.2/track"), "track");
  EXPECT_EQ(w.EntryDisplayText(1, "/music/.mp3"), "");
  // Missing files read as untagged.
  EXPECT_EQ(w.EntryDisplayText(3, "/no/such/dir/x.y.mp3"), "x.y");
}

TEST_F(PlayListModelWindow, DisplayTextOfTaggedFiles) {
  auto& w = CreateWindow();
  Id3v1Fields f;
  f.artist = "X";
  f.title = "Y";
  f.album = "Z";
  const std::string v1 = Dir.File("v1.mp3");
  WriteAll(v1, testsupport::SilentMpegFrames(2) + Id3v1Block(f));
  EXPECT_EQ(w.EntryDisplayText(2, v1), "X - Y");
  EXPECT_EQ(w.EntryDisplayText(3, v1), "X - Y [Z]");
  EXPECT_EQ(w.EntryDisplayText(0, v1), "v1.mp3");

  // A tag whose artist, title and album are empty is still a tag.
  const std::string v2 = Dir.File("v2.mp3");
  WriteAll(v2, Id3v2Tag(3, {Id3v2TextFrame("TYER", "2024")}) + testsupport::SilentMpegFrames(2));
  EXPECT_EQ(w.EntryDisplayText(2, v2), " - ");
  EXPECT_EQ(w.EntryDisplayText(3, v2), " -  []");
}

TEST_F(PlayListModelWindow, AddToPlayListTakesOnlyMp3Names) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  EXPECT_TRUE(w.AddToPlayList("/m/LOUD.MP3", -1));
  EXPECT_TRUE(w.AddToPlayList("/m/missing file.mp3", -1));  // existence is not tested
  EXPECT_FALSE(w.AddToPlayList("/m/a.mp3.txt", -1));
  EXPECT_FALSE(w.AddToPlayList("/m/noext", -1));
  EXPECT_FALSE(w.AddToPlayList("/m/a.mp3 ", -1));
  EXPECT_FALSE(w.AddToPlayList("/m/dir.mp3/file", -1));
  EXPECT_EQ(Lines(), (Strings{"LOUD.MP3", "missing file.mp3"}));
  // The path is kept exactly as handed in.
  EXPECT_EQ(Paths(), (Strings{"/m/LOUD.MP3", "/m/missing file.mp3"}));
}

TEST_F(PlayListModelWindow, InsertPositions) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 1;
  w.AddToPlayList("/m/b.mp3", -1);
  w.AddToPlayList("/m/a.mp3", 0);
  w.AddToPlayList("/m/d.mp3", 2);  // equal to the number of lines: appends
  w.AddToPlayList("/m/c.mp3", 2);
  w.AddToPlayList("/m/e.mp3", 99);  // out of range: appended as well
  EXPECT_EQ(Lines(), (Strings{"a", "b", "c", "d", "e"}));
}

TEST_F(PlayListModelWindow, ModeChangeLeavesExistingLines) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  w.AddToPlayList("/m/one.mp3", -1);
  w.VelmarisOptions.PlayListMode = 1;
  w.AddToPlayList("/m/two.mp3", -1);
  EXPECT_EQ(Lines(), (Strings{"one.mp3", "two"}));
}

TEST_F(PlayListModelWindow, AddFileListReplacesAppendsAndIgnoresEmptyLists) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 1;
  w.AddFileList({"/m/a.mp3", "/m/b.mp3"}, false);
  w.AddFileList({}, false);  // nothing at all happens
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  w.AddFileList({"/m/c.mp3", "# comment", "", "/m/folder/"}, true);
  EXPECT_EQ(Lines(), (Strings{"a", "b", "c"}));
  w.AddFileList({"/m/d.mp3"}, false);
  EXPECT_EQ(Lines(), (Strings{"d"}));
  // A list of nothing but non-MP3 lines still clears in replace mode.
  w.AddFileList({"readme.txt"}, false);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(PlayListModelWindow, OpenPathDispatchesByExtensionInAnyCase) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 1;
  const std::string song = MakeSong("song.mp3");
  WriteAll(Dir.File("List.VPLS"), song + "\r\n/m/x.mp3\r\n");
  WriteAll(Dir.File("other.M3U"), "#EXTM3U\r\n#EXTINF:1,A - B\r\nsong.mp3\r\n/abs/y.mp3\r\n");
  WriteAll(Dir.File("p.Pls"), "[playlist]\nFile1=/p/a.mp3\nTitle1=A\nfile2=/p/b.mp3\nNumberOfEntries=2\n");
  WriteAll(Dir.File("w.b4s"), "<entry Playstring=\"file:/b/a.mp3\">\n<entry Playstring=\"http://x/y.mp3\">\n");

  w.OpenPath(Dir.File("List.VPLS"), false, false);
  EXPECT_EQ(Paths(), (Strings{song, "/m/x.mp3"}));
  EXPECT_EQ(w.PlayListLabel->text().toStdString(), "List");
  EXPECT_EQ(w.VelmarisOptions.LastListFile, Dir.File("List.VPLS"));

  w.OpenPath(Dir.File("other.M3U"), true, false);
  EXPECT_EQ(Paths(), (Strings{song, "/m/x.mp3", Dir.File("song.mp3"), "/abs/y.mp3"}));
  w.OpenPath(Dir.File("p.Pls"), true, false);
  w.OpenPath(Dir.File("w.b4s"), true, false);
  EXPECT_EQ(Paths().back(), "/b/a.mp3");
  EXPECT_EQ(Paths()[4], "/p/a.mp3");
  EXPECT_EQ(Model().Count(), 6);
  // Foreign formats leave the playlist name and file alone.
  EXPECT_EQ(w.VelmarisOptions.LastListFile, Dir.File("List.VPLS"));
  EXPECT_EQ(w.PlayListLabel->text().toStdString(), "List");

  // An MP3 is appended whatever keep says; other files and missing ones do nothing.
  w.OpenPath(song, false, false);
  EXPECT_EQ(Model().Count(), 7);
  WriteAll(Dir.File("notes.txt"), "x");
  w.OpenPath(Dir.File("notes.txt"), false, false);
  w.OpenPath(Dir.File("missing.vpls"), false, false);
  EXPECT_EQ(Model().Count(), 7);
}

TEST_F(PlayListModelWindow, ReplacingWithOnlyCommentsKeepsTheList) {
  auto& w = CreateWindow();
  SetLines({"keep"});
  WriteAll(Dir.File("c.m3u"), "#EXTM3U\r\n#EXTINF:1,x\r\n");
  w.OpenPath(Dir.File("c.m3u"), false, false);
  EXPECT_EQ(Lines(), (Strings{"keep"}));
  WriteAll(Dir.File("empty.vpls"), "");
  w.OpenPath(Dir.File("empty.vpls"), false, false);
  EXPECT_EQ(Lines(), (Strings{"keep"}));
  // The empty playlist file is still named and remembered.
  EXPECT_EQ(w.VelmarisOptions.LastListFile, Dir.File("empty.vpls"));
}

TEST_F(PlayListModelWindow, AppendingAVplsKeepsNameAndFile) {
  auto& w = CreateWindow();
  w.VelmarisOptions.LastListFile = "/old.vpls";
  w.PlayListLabel->setText("old");
  WriteAll(Dir.File("more.vpls"), "/m/a.mp3\n/m/b.mp3\r/m/c.mp3");
  w.OpenPath(Dir.File("more.vpls"), true, false);
  EXPECT_EQ(Model().Count(), 3);  // LF and CR line ends read like CR LF
  EXPECT_EQ(w.VelmarisOptions.LastListFile, "/old.vpls");
  EXPECT_EQ(w.PlayListLabel->text().toStdString(), "old");
}

TEST_F(PlayListModelWindow, OpenAnMp3WithPlayLoadsAndPlaysIt) {
  auto& w = CreateWindow();
  SetLines({"first"});
  const std::string song = MakeSong("song.mp3");
  Device->ClearCalls();
  w.OpenPath(song, false, true);
  EXPECT_EQ(Paths().back(), song);
  EXPECT_EQ(Model().Count(), 2);
  EXPECT_EQ(Device->OpenPath(), song);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  // Already playing: the first line is not started.
  EXPECT_EQ(List().ItemIndex(), -1);
  // A playlist opened with play while a song plays leaves it playing.
  WriteAll(Dir.File("l.vpls"), song + "\r\n");
  w.OpenPath(Dir.File("l.vpls"), true, true);
  EXPECT_EQ(List().ItemIndex(), -1);
  EXPECT_EQ(Device->Calls(), (Strings{"Open " + song, "Play"}));
}

TEST_F(PlayListModelWindow, OpenWithPlayFocusesTheFirstLineWhenNothingPlays) {
  auto& w = CreateWindow();
  const std::string first = MakeSong("first.mp3");
  WriteAll(Dir.File("l.vpls"), first + "\r\n/m/b.mp3\r\n");
  w.OpenPath(Dir.File("l.vpls"), false, true);
  EXPECT_EQ(List().ItemIndex(), 0);
  EXPECT_EQ(Device->OpenPath(), first);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  Device->Stop();
  // Without play the focus is not set.
  w.ClearPlayList();
  w.OpenPath(Dir.File("l.vpls"), false, false);
  EXPECT_EQ(List().ItemIndex(), -1);
}

} // namespace

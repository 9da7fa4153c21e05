// The playlist's lines: display texts in the four modes, adding lines, and
// OpenPath's dispatch by extension with keep and play.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "playlist/PlayListFixture.h"
#include "support/TagBytes.h"

#include <sys/stat.h>

using testsupport::WriteAll;

namespace {

class PlayListLines : public PlayListTest {};

TEST_F(PlayListLines, DisplayTextFollowsTheModeAndFallsBackWithoutTags) {
  const PlayList& l = List();
  const std::string plain = MakeSong("A.B.mp3");
  EXPECT_EQ(l.EntryDisplayText(0, plain), "A.B.mp3");
  for (int mode : {1, 2, 3, 7, -1}) EXPECT_EQ(l.EntryDisplayText(mode, plain), "A.B") << mode;
  // A dot in a folder name cuts nothing; a name that is only an extension is empty.
  EXPECT_EQ(l.EntryDisplayText(1, "/music/v1.2/track"), "track");
  EXPECT_EQ(l.EntryDisplayText(1, "/music/.mp3"), "");
  // Missing files read as untagged.
  EXPECT_EQ(l.EntryDisplayText(3, "/no/such/dir/x.y.mp3"), "x.y");
}

TEST_F(PlayListLines, DisplayTextOfTaggedFiles) {
  const PlayList& l = List();
  testsupport::Id3v1Fields f;
  f.artist = "X";
  f.title = "Y";
  f.album = "Z";
  const std::string v1 = Dir.File("v1.mp3");
  WriteAll(v1, testsupport::SilentMpegFrames(2) + testsupport::Id3v1Block(f));
  EXPECT_EQ(l.EntryDisplayText(2, v1), "X - Y");
  EXPECT_EQ(l.EntryDisplayText(3, v1), "X - Y [Z]");
  EXPECT_EQ(l.EntryDisplayText(0, v1), "v1.mp3");
  // A tag whose artist, title and album are empty is still a tag.
  const std::string v2 = Dir.File("v2.mp3");
  WriteAll(v2, testsupport::Id3v2Tag(3, {testsupport::Id3v2TextFrame("TYER", "2024")}) +
                   testsupport::SilentMpegFrames(2));
  EXPECT_EQ(l.EntryDisplayText(2, v2), " - ");
  EXPECT_EQ(l.EntryDisplayText(3, v2), " -  []");
  // New lines take the mode of the moment; existing lines keep their text.
  List().SetDisplayMode(3);
  AddLine(v1);
  List().SetDisplayMode(0);
  AddLine(v1);
  EXPECT_EQ(Lines(), (Strings{"X - Y [Z]", "v1.mp3"}));
}

TEST_F(PlayListLines, AddTakesOnlyMp3NamesAtTheirPositions) {
  EXPECT_TRUE(List().Add("/m/LOUD.MP3", -1));
  EXPECT_TRUE(List().Add("/m/missing file.mp3", -1));  // existence is not tested
  for (const char* bad : {"/m/a.mp3.txt", "/m/noext", "/m/a.mp3 ", "/m/dir.mp3/file"})
    EXPECT_FALSE(List().Add(bad, -1)) << bad;
  EXPECT_EQ(Lines(), (Strings{"LOUD.MP3", "missing file.mp3"}));
  EXPECT_EQ(Paths(), (Strings{"/m/LOUD.MP3", "/m/missing file.mp3"}));  // kept exactly

  List().Clear();
  List().SetDisplayMode(1);
  List().Add("/m/b.mp3", -1);
  List().Add("/m/a.mp3", 0);
  List().Add("/m/d.mp3", 2);  // equal to the number of lines: appends
  List().Add("/m/c.mp3", 2);
  List().Add("/m/e.mp3", 99);  // out of range: appended as well
  EXPECT_EQ(Lines(), (Strings{"a", "b", "c", "d", "e"}));
}

TEST_F(PlayListLines, AddFileListReplacesAppendsAndIgnoresEmptyLists) {
  List().SetDisplayMode(1);
  List().AddFileList({"/m/a.mp3", "/m/b.mp3"}, false);
  List().AddFileList({}, false);  // nothing at all happens
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  List().AddFileList({"/m/c.mp3", "# comment", "", "/m/folder/"}, true);
  EXPECT_EQ(Lines(), (Strings{"a", "b", "c"}));
  List().SetItemIndex(2);
  List().AddFileList({"/m/d.mp3"}, false);
  EXPECT_EQ(Lines(), (Strings{"d"}));
  EXPECT_EQ(Current(), -1);  // replacing drops the focus
  // A list of nothing but non-MP3 lines still clears in replace mode.
  List().AddFileList({"readme.txt"}, false);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(PlayListLines, OpenPathDispatchesByExtensionInAnyCase) {
  List().SetDisplayMode(1);
  const std::string song = MakeSong("song.mp3");
  WriteAll(Dir.File("List.VPLS"), song + "\r\n/m/x.mp3\r\n");
  WriteAll(Dir.File("other.M3U"), "#EXTM3U\r\n#EXTINF:1,A - B\r\nsong.mp3\r\n/abs/y.mp3\r\n");
  WriteAll(Dir.File("p.Pls"), "[playlist]\nFile1=/p/a.mp3\nTitle1=A\nfile2=/p/b.mp3\nNumberOfEntries=2\n");
  WriteAll(Dir.File("w.b4s"), "<entry Playstring=\"file:/b/a.mp3\">\n<entry Playstring=\"http://x/y.mp3\">\n");
  std::vector<QString> labels;
  QObject::connect(&List(), &PlayList::LabelChanged, [&labels](const QString& l) { labels.push_back(l); });

  EXPECT_EQ(List().OpenPath(Dir.File("List.VPLS"), false), PlayList::Opened::PlayListFile);
  EXPECT_EQ(Paths(), (Strings{song, "/m/x.mp3"}));
  EXPECT_EQ(List().Label().toStdString(), "List");
  EXPECT_EQ(List().LastListFile(), Dir.File("List.VPLS"));

  List().OpenPath(Dir.File("other.M3U"), true);  // relative names against the list's folder
  EXPECT_EQ(Paths(), (Strings{song, "/m/x.mp3", Dir.File("song.mp3"), "/abs/y.mp3"}));
  List().OpenPath(Dir.File("p.Pls"), true);
  List().OpenPath(Dir.File("w.b4s"), true);
  ASSERT_EQ(List().Count(), 6);  // the b4s list's web address is no file
  EXPECT_EQ(Paths()[4], "/p/a.mp3");
  EXPECT_EQ(Paths().back(), "/b/a.mp3");
  // Foreign formats leave the playlist name and file alone.
  EXPECT_EQ(List().LastListFile(), Dir.File("List.VPLS"));
  EXPECT_EQ(labels, (std::vector<QString>{"List"}));

  // An MP3 is appended whatever keep says; other files and missing ones do nothing.
  EXPECT_EQ(List().OpenPath(song, false), PlayList::Opened::Song);
  EXPECT_EQ(List().Count(), 7);
  WriteAll(Dir.File("notes.txt"), "x");
  EXPECT_EQ(List().OpenPath(Dir.File("notes.txt"), false), PlayList::Opened::Nothing);
  EXPECT_EQ(List().OpenPath(Dir.File("missing.vpls"), false), PlayList::Opened::Nothing);
  EXPECT_EQ(List().Count(), 7);
}

TEST_F(PlayListLines, ReplacingWithOnlyCommentsKeepsTheListButNamesAnEmptyVpls) {
  SetLines({"keep"});
  WriteAll(Dir.File("c.m3u"), "#EXTM3U\r\n#EXTINF:1,x\r\n");
  List().OpenPath(Dir.File("c.m3u"), false);
  EXPECT_EQ(Lines(), (Strings{"keep"}));
  WriteAll(Dir.File("empty.vpls"), "");
  List().OpenPath(Dir.File("empty.vpls"), false);
  EXPECT_EQ(Lines(), (Strings{"keep"}));
  EXPECT_EQ(List().LastListFile(), Dir.File("empty.vpls"));
  EXPECT_EQ(List().Label().toStdString(), "empty");
}

TEST_F(PlayListLines, AppendingAVplsKeepsNameAndFile) {
  Engine->Options().LastListFile = "/old.vpls";
  List().SetLabel("old");
  WriteAll(Dir.File("more.vpls"), "/m/a.mp3\n/m/b.mp3\r/m/c.mp3");
  List().OpenPath(Dir.File("more.vpls"), true);
  EXPECT_EQ(List().Count(), 3);  // LF and CR line ends read like CR LF
  EXPECT_EQ(List().LastListFile(), "/old.vpls");
  EXPECT_EQ(List().Label().toStdString(), "old");
}

TEST_F(PlayListLines, OpenAnMp3WithPlayLoadsAndPlaysItAndKeepsItPlaying) {
  SetLines({"first"});
  const std::string song = MakeSong("song.mp3");
  Device->ClearCalls();
  Engine->OpenPath(song, false, true);
  EXPECT_EQ(Paths().back(), song);
  EXPECT_EQ(List().Count(), 2);
  EXPECT_EQ(Device->OpenPath(), song);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  EXPECT_EQ(Current(), -1);  // already playing: the first line is not started
  // A playlist opened with play while a song plays leaves it playing.
  WriteAll(Dir.File("l.vpls"), song + "\r\n");
  Engine->OpenPath(Dir.File("l.vpls"), true, true);
  EXPECT_EQ(Current(), -1);
  EXPECT_EQ(Device->Calls(), (Strings{"Open " + song, "Play"}));
}

TEST_F(PlayListLines, OpenAListWithPlayFocusesAndPlaysTheFirstLineWhenNothingPlays) {
  const std::string first = MakeSong("first.mp3");
  WriteAll(Dir.File("l.vpls"), first + "\r\n/m/b.mp3\r\n");
  Engine->OpenPath(Dir.File("l.vpls"), false, true);
  EXPECT_EQ(Current(), 0);
  EXPECT_EQ(Device->OpenPath(), first);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  Device->Stop();
  // Without play the focus is not set.
  List().Clear();
  Engine->OpenPath(Dir.File("l.vpls"), false, false);
  EXPECT_EQ(Current(), -1);
  // A first line whose file is gone is reported, not played.
  Device->ClearCalls();
  WriteAll(Dir.File("gone.vpls"), Dir.File("gone.mp3") + "\r\n");
  Engine->OpenPath(Dir.File("gone.vpls"), false, true);
  EXPECT_TRUE(Device->Calls().empty());
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, Dir.File("gone.mp3") + " does not exist.");
}

} // namespace

namespace {

// ---- names and lists from other systems ----

TEST_F(PlayListLines, NamesThatAreNotUtf8ShowAsLatin1AndKeepTheirBytes) {
  const std::string name = "latin1-\xE9t\xE9.mp3";
  const std::string path = MakeSong(name);
  List().Add(path, -1);
  EXPECT_EQ(List().Text(0), "latin1-\xC3\xA9t\xC3\xA9.mp3");  // "latin1-été.mp3", no U+FFFD
  EXPECT_EQ(List().Path(0), path);                          // played from its exact bytes
  List().SetDisplayMode(1);
  EXPECT_EQ(List().EntryDisplayText(path), "latin1-\xC3\xA9t\xC3\xA9");
}

TEST_F(PlayListLines, NamesWithALineBreakAreSkippedAndCounted) {
  std::vector<int> skipped;
  QObject::connect(&List(), &PlayList::LinesSkipped, [&skipped](int n) { skipped.push_back(n); });
  EXPECT_FALSE(List().Add(Dir.File("two\nlines.mp3"), -1));
  List().AddFileList({Dir.File("a.mp3"), Dir.File("b\r.mp3"), Dir.File("c\nd.mp3"), Dir.File("e.mp3")}, true);
  EXPECT_EQ(Lines(), (Strings{"a.mp3", "e.mp3"}));
  EXPECT_EQ(skipped, (std::vector<int>{1, 2}));
  // Saved and read back: no line is broken in two.
  const std::string file = Dir.File("list.vpls");
  List().Save(file);
  List().Clear();
  List().OpenPath(file, false);
  EXPECT_EQ(Lines(), (Strings{"a.mp3", "e.mp3"}));
}

TEST_F(PlayListLines, ListsOfOtherPlayersOpen) {
  const std::string a = MakeSong("a b.mp3");
  ASSERT_EQ(::mkdir(Dir.File("sub").c_str(), 0755), 0);
  const std::string rel = MakeSong("sub/rel1.mp3");
  // UTF-8 M3U with a byte-order mark, a file:// entry and a Windows-style relative entry.
  WriteAll(Dir.File("list.m3u8"), "\xEF\xBB\xBF#EXTM3U\r\nfile://" + Dir.Path() + "a%20b.mp3\r\nsub\\rel1.mp3\r\n");
  List().OpenPath(Dir.File("list.m3u8"), false);
  EXPECT_EQ(Paths(), (Strings{a, rel}));
  // A .pls with a relative entry and a file:// one.
  WriteAll(Dir.File("list.pls"), "[playlist]\r\nFile1=sub/rel1.mp3\r\nFile2=file://" + Dir.Path() + "a%20b.mp3\r\n");
  List().OpenPath(Dir.File("list.pls"), false);
  EXPECT_EQ(Paths(), (Strings{rel, a}));
}

} // namespace

namespace {

// With the switch on, every text shown from tags reads ID3v2.4 too.
TEST_F(PlayListLines, TagTextsFollowTheTagReadingSwitch) {
  const std::string v24 = Dir.File("v24.mp3");
  WriteAll(v24, testsupport::Id3v2Tag(4, {testsupport::Id3v2TextFrame("TIT2", "New Title"),
                                          testsupport::Id3v2TextFrame("TPE1", "New Artist")}) +
                    testsupport::SilentMpegFrames(2));
  EXPECT_EQ(List().EntryDisplayText(2, v24), "v24");  // the classic reading knows ID3v2.3 only
  Engine->Options().ReadAllTagVersions = true;
  EXPECT_EQ(List().EntryDisplayText(2, v24), "New Artist - New Title");
  List().SetDisplayMode(2);
  Engine->LoadSong(v24);
  // The song's tag is read off the calling thread: the file name until then.
  QDeadlineTimer deadline(10000);
  while (Engine->Caption() != " New Artist - New Title" && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(Engine->Caption(), " New Artist - New Title");
}

} // namespace

// The editing commands of the playlist panel and popup menu, and the
// file-info report.
#include <gtest/gtest.h>

#include <QAction>
#include <QMouseEvent>
#include <QScrollBar>

#include <sys/stat.h>

#include "app/widgets/SpeedButton.h"
#include "playlist/window_helpers.h"
#include "tags/Kid3lib.h"

using testsupport::WriteAll;

namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<int>;

class PlayListEditing : public PlayListWindow {};

TEST_F(PlayListEditing, RemoveSeveralMovesFocusToTheLowestRemovedPlace) {
  auto& w = CreateWindow();
  SetLines({"l0", "l1", "l2", "l3", "l4", "l5", "l6"});
  Select({2, 5});
  List().SetItemIndex(5);
  w.ButtonRemoveClick();
  EXPECT_EQ(Lines(), (Strings{"l0", "l1", "l3", "l4", "l6"}));
  EXPECT_EQ(List().ItemIndex(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{2}));
}

TEST_F(PlayListEditing, RemoveTheLastOrOnlyLine) {
  auto& w = CreateWindow();
  SetLines({"a", "b", "c"});
  List().SelectOnly(2);
  w.ButtonRemoveClick();
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{1}));
  // A single line in the middle: the next line moves into its place.
  List().SelectOnly(0);
  w.ButtonRemoveClick();
  EXPECT_EQ(Lines(), (Strings{"b"}));
  EXPECT_EQ(List().ItemIndex(), 0);
  w.ButtonRemoveClick();
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(List().ItemIndex(), -1);
}

TEST_F(PlayListEditing, RemoveNeedsTheFocusedLineSelected) {
  auto& w = CreateWindow();
  SetLines({"a", "b", "c", "d"});
  Select({0, 1});
  List().SetItemIndex(3);
  w.ButtonRemoveClick();
  EXPECT_EQ(Model().Count(), 4);
  List().SetItemIndex(-1);
  w.ButtonRemoveClick();
  EXPECT_EQ(Model().Count(), 4);
}

TEST_F(PlayListEditing, RemoveTheLastTwoLeavesNoSelectionAndNoFocus) {
  auto& w = CreateWindow();
  SetLines({"a", "b", "c", "d"});
  Select({2, 3});
  List().SetItemIndex(3);
  w.ButtonRemoveClick();
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(List().ItemIndex(), -1);
}

TEST_F(PlayListEditing, DeleteKeyInTheListRemovesOnce) {
  ShownWindow();
  SetLines({"a", "b", "c", "d"});
  Select({1, 2});
  List().SetItemIndex(1);
  ASSERT_EQ(Focus(), &List());
  Key(Qt::Key_Delete);
  EXPECT_EQ(Lines(), (Strings{"a", "d"}));
  EXPECT_EQ(SelectedRows(), (Rows{1}));
}

TEST_F(PlayListEditing, RemoveNonExistentKeepsFilesOnly) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 1;
  const std::string real = MakeSong("real.mp3");
  const std::string folder = Dir.File("folder.mp3");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  w.AddFileList({Dir.File("gone1.mp3"), real, folder, Dir.File("gone2.mp3"), real}, false);
  Select({1, 4});
  List().SetItemIndex(3);
  w.RemoveNonExistent();
  EXPECT_EQ(Paths(), (Strings{real, real}));
  // Selection stays with its lines; the focus keeps its number where it can.
  EXPECT_EQ(SelectedRows(), (Rows{0, 1}));
  EXPECT_EQ(List().ItemIndex(), 1);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, "3 items removed.");
  EXPECT_EQ(Dialogs.Messages[0].Caption, "Velmaris");
  w.RemoveNonExistent();
  EXPECT_EQ(Dialogs.Messages.back().Text, "0 items removed.");
}

TEST_F(PlayListEditing, RemoveDuplicatesKeepsFirstOccurrencesAndLetterCase) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  w.AddFileList({"/m/a.mp3", "/m/b.mp3", "/m/a.mp3", "/m/A.mp3", "/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, false);
  Select({3, 6});
  List().SetItemIndex(4);
  w.mniRemoveDuplicatesClick();
  EXPECT_EQ(Paths(), (Strings{"/m/a.mp3", "/m/b.mp3", "/m/A.mp3", "/m/c.mp3"}));
  EXPECT_EQ(SelectedRows(), (Rows{2, 3}));
  EXPECT_EQ(List().ItemIndex(), 3);
  EXPECT_EQ(Dialogs.Messages.back().Text, "3 duplicates removed.");
  w.mniRemoveDuplicatesClick();
  EXPECT_EQ(Dialogs.Messages.back().Text, "0 duplicates removed.");
}

TEST_F(PlayListEditing, SortIgnoresCaseKeepsEqualOrderAndFocusNumber) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 1;
  w.AddFileList({"/1/beta.mp3", "/2/Alpha.mp3", "/3/gamma.mp3", "/4/alpha.mp3", "/5/ALPHA.mp3", "/6/Beta.mp3"}, false);
  Select({0, 2});
  List().SetItemIndex(2);
  w.SortByName1Click();
  EXPECT_EQ(Lines(), (Strings{"Alpha", "alpha", "ALPHA", "beta", "Beta", "gamma"}));
  // Entries travel with their lines.
  EXPECT_EQ(Paths()[0], "/2/Alpha.mp3");
  EXPECT_EQ(Paths()[5], "/3/gamma.mp3");
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(List().ItemIndex(), 2);
  // Later additions append at the end.
  w.AddToPlayList("/7/aaa.mp3", -1);
  EXPECT_EQ(Lines().back(), "aaa");
}

TEST_F(PlayListEditing, SortFollowsTheUserLocale) {
  auto& w = CreateWindow();
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  w.VelmarisOptions.PlayListMode = 1;
  w.AddFileList({"/beta.mp3", "/Zebra.mp3", "/apple.mp3", "/Äpfel.mp3", "/alpha.mp3", "/Alpha.mp3"}, false);
  w.SortByName1Click();
  QLocale::setDefault(before);
  EXPECT_EQ(Lines(), (Strings{"alpha", "Alpha", "Äpfel", "apple", "beta", "Zebra"}));
}

TEST_F(PlayListEditing, SortKeepsTheScrollPosition) {
  auto& w = ShownWindow();
  std::vector<std::string> paths;
  for (int i = 0; i < 200; ++i) paths.push_back("/m/" + std::to_string(1000 - i) + ".mp3");
  w.AddFileList(paths, false);
  QApplication::processEvents();
  List().verticalScrollBar()->setValue(50);
  const int before = List().verticalScrollBar()->value();
  ASSERT_GT(before, 0);
  w.SortByName1Click();
  EXPECT_EQ(List().verticalScrollBar()->value(), before);
}

TEST_F(PlayListEditing, MoveUpAndDown) {
  auto& w = CreateWindow();
  SetLines({"a", "b", "c", "d"});
  Select({2, 3});
  List().SetItemIndex(1);
  w.btnMoveUpDownClick(w.btnMoveDown);
  EXPECT_EQ(Lines(), (Strings{"a", "c", "b", "d"}));
  EXPECT_EQ(List().ItemIndex(), 2);
  // The moved line is selected; the others keep their own state.
  EXPECT_EQ(SelectedRows(), (Rows{1, 2, 3}));
  w.btnMoveUpDownClick(w.btnMoveUp);
  w.btnMoveUpDownClick(w.btnMoveUp);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
  EXPECT_EQ(List().ItemIndex(), 0);
  // At the ends nothing happens.
  w.btnMoveUpDownClick(w.btnMoveUp);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
  List().SetItemIndex(3);
  w.btnMoveUpDownClick(w.btnMoveDown);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
  EXPECT_EQ(List().ItemIndex(), 3);
  List().SetItemIndex(-1);
  w.btnMoveUpDownClick(w.btnMoveDown);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
}

TEST_F(PlayListEditing, InvertSelectionKeepsTheFocus) {
  auto& w = CreateWindow();
  SetLines({"a", "b", "c", "d", "e"});
  Select({0, 2, 3});
  List().SetItemIndex(2);
  w.Invertselection1Click();
  EXPECT_EQ(SelectedRows(), (Rows{1, 4}));
  EXPECT_EQ(List().ItemIndex(), 2);
}

TEST_F(PlayListEditing, OpenFolderOfTheFocusedLine) {
  auto& w = CreateWindow();
  w.AddFileList({"/one/a.mp3", "/two/sub/b.mp3"}, false);
  List().SetItemIndex(1);
  w.Openfolderofselectedfile1Click();  // nothing selected: nothing happens
  EXPECT_TRUE(Dialogs.Opened.empty());
  Select({0});
  w.Openfolderofselectedfile1Click();
  EXPECT_EQ(Dialogs.Opened, (Strings{"/two/sub/"}));
}

TEST_F(PlayListEditing, AddFolderAppendsInReverseListingOrderWithoutSubfolders) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  SetLines({"existing"});
  w.VelmarisOptions.PlayListMode = 0;
  const std::string folder = Dir.File("music");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((folder + "/sub").c_str(), 0755), 0);
  for (const char* n : {"b.mp3", "a.mp3", "notes.txt", "sub/deep.mp3"}) WriteAll(folder + "/" + n, "x");
  ASSERT_EQ(::mkdir((folder + "/dir.mp3").c_str(), 0755), 0);
  w.VelmarisOptions.MusicDir = "/start/here/";
  Dialogs.FolderAnswers = {folder, ""};
  w.Adddirectorytoplaylist1Click();
  EXPECT_EQ(Lines(), (Strings{"existing", "b.mp3", "a.mp3"}));
  EXPECT_EQ(Paths()[1], folder + "/b.mp3");
  ASSERT_EQ(Dialogs.Titles.size(), 1u);
  EXPECT_EQ(Dialogs.Titles[0], "Add Directory to playlist");
  EXPECT_EQ(Dialogs.FolderStarts[0], "/start/here/");
  EXPECT_EQ(Dialogs.Messages.back().Text, "2 files added to playlist.");
  w.Adddirectorytoplaylist1Click();  // cancelled
  EXPECT_EQ(Dialogs.Messages.size(), 1u);
  // A folder that cannot be listed adds nothing.
  EXPECT_EQ(w.AddFolder(Dir.File("missing")), 0);
  EXPECT_EQ(Model().Count(), 3);
}

TEST_F(PlayListEditing, AddFolderInTagModeShowsTags) {
  auto& w = CreateWindow();
  testsupport::Id3v1Fields f;
  f.artist = "Art";
  f.title = "Song";
  const std::string folder = Dir.File("tagged");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  WriteAll(folder + "/t.mp3", testsupport::SilentMpegFrames(1) + testsupport::Id3v1Block(f));
  WriteAll(folder + "/u.mp3", testsupport::SilentMpegFrames(1));
  w.VelmarisOptions.PlayListMode = 2;
  EXPECT_EQ(w.AddFolder(folder), 2);
  EXPECT_EQ(Lines(), (Strings{"u", "Art - Song"}));
}

TEST_F(PlayListEditing, PopupItemsFollowTheSelectionOnPress) {
  auto& w = ShownWindow();
  SetLines({"a", "b"});
  // As laid out: the folder item starts enabled, the other two disabled.
  EXPECT_TRUE(w.Openfolderofselectedfile1->isEnabled());
  EXPECT_FALSE(w.Removeselected1->isEnabled());
  EXPECT_FALSE(w.ViewFileInfoID3TagInfo->isEnabled());
  w.EnablePlaylistMenu(true);
  EXPECT_TRUE(w.Removeselected1->isEnabled());
  EXPECT_TRUE(w.Openfolderofselectedfile1->isEnabled());
  EXPECT_TRUE(w.ViewFileInfoID3TagInfo->isEnabled());
  // A right press on a line selects nothing, so the three items go off.
  const QPoint at = List().visualRect(Model().index(1, 0)).center();
  QMouseEvent press(QEvent::MouseButtonPress, at, List().viewport()->mapToGlobal(at), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(List().viewport(), &press);
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_FALSE(w.Removeselected1->isEnabled());
  EXPECT_FALSE(w.Openfolderofselectedfile1->isEnabled());
  EXPECT_FALSE(w.ViewFileInfoID3TagInfo->isEnabled());
}

TEST_F(PlayListEditing, FileInfoReport) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  const std::string untagged = MakeSong("plain.mp3");
  const std::string tagged = Dir.File("tagged.mp3");
  WriteAll(tagged, testsupport::Id3v2Tag(3, {testsupport::Id3v2Frame("TIT2", std::string("\x01\xff\xfeH\0i", 6)),
                                                testsupport::Id3v2Frame("COMM", std::string("\0engA comment", 13))}) +
                       testsupport::SilentMpegFrames(1));
  w.AddFileList({untagged, tagged}, false);
  w.ViewFileInfoID3TagInfoClick();  // no focused line: nothing
  EXPECT_TRUE(Dialogs.Messages.empty());
  List().SetItemIndex(0);
  w.ViewFileInfoID3TagInfoClick();
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Caption, "Error");
  EXPECT_EQ(Dialogs.Messages[0].Text, "ID3v1.1 or ID3v2.3 Tag does not exist for this file.");
  EXPECT_EQ(Dialogs.Messages[0].Icon, TMsgIcon::None);

  List().SetItemIndex(1);
  w.ViewFileInfoID3TagInfoClick();
  ASSERT_EQ(Dialogs.Messages.size(), 2u);
  const auto& m = Dialogs.Messages[1];
  EXPECT_EQ(m.Caption, "ID3v2.3.x mp3 tag");
  EXPECT_EQ(m.Icon, TMsgIcon::None);
  const std::string d(61, '-');
  EXPECT_EQ(m.Text, d + "\r\nTitle: Hi\r\nArtist: \r\nAlbum: \r\nTrack: 0  Year:   Genre: \r\n" + d +
                        "\r\nPress ctrl-c to copy this information to the clipboard");
}

} // namespace

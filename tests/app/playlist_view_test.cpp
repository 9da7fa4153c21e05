// The playlist panel as the window shows it, driven with real key and mouse
// events where the keyboard focus is: the quick-find box, the list's keys,
// the hint under the pointer, dropped files, the popup, the save dialogs and
// the panel's label. What the commands do to the list is tested on the
// playlist itself (tests/playlist).
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>

#include "app/QuickFindBox.h"
#include "app/widgets/PlayListBox.h"
#include "playlist/PlayList.h"
#include "support/WindowFixture.h"

using testsupport::Exists;
using testsupport::WriteAll;

namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<int>;

class PlayListView : public WindowFixture {
protected:
  int64_t now = 1000;  // the list's type-ahead clock

  TPlayListBox& Box() { return *Window->PlayList; }
  QLineEdit& Edit() { return *Window->QuickFindEdit; }

  // A shown window with its playlist panel open, the list focused, and lines
  // "Alpha", "Beta", "Gamma Best" whose files exist.
  TFrmMainVelmaris& Shown(const Strings& names = {"Alpha", "Beta", "Gamma Best"}) {
    auto& w = CreateWindow();
    w.show();
    w.SetFoldMode(2);  // the playlist panel below the picture
    QApplication::setActiveWindow(&w);
    Box().setFocus();
    Box().SetTypeAheadClock([this] { return now; });
    List().SetDisplayMode(1);
    for (const std::string& n : names) List().Add(MakeSong(n + ".mp3"), -1);
    QApplication::processEvents();
    return w;
  }

  Rows SelectedRows() const {
    Rows rows;
    const std::vector<char> f = List().SelectedFlags();
    for (size_t i = 0; i < f.size(); ++i)
      if (f[i]) rows.push_back(static_cast<int>(i));
    return rows;
  }

  static QWidget* Focus() { return QApplication::focusWidget(); }
  static void Send(QEvent::Type type, int key, const QString& text, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = Focus();
    ASSERT_NE(target, nullptr);
    QKeyEvent e(type, key, mods, text);
    QApplication::sendEvent(target, &e);
  }
  static void Press(int key, const QString& text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Send(QEvent::KeyPress, key, text, mods);
  }
  static void Release(int key, const QString& text = QString()) { Send(QEvent::KeyRelease, key, text); }
  static void Key(int key, const QString& text = QString()) {
    Press(key, text);
    Release(key, text);
  }
  // A typed character: its key and its text.
  static void Type(char c) {
    const QString text(QChar::fromLatin1(c));
    int key = c;
    if (c >= 'a' && c <= 'z') key = Qt::Key_A + (c - 'a');
    if (c >= 'A' && c <= 'Z') key = Qt::Key_A + (c - 'A');
    Key(key, text);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QMouseEvent e(type, at, Box().viewport()->mapToGlobal(at), button, button, Qt::NoModifier);
    QApplication::sendEvent(Box().viewport(), &e);
  }
  QRect LineRect(int row) { return Box().visualRect(List().Model()->index(row, 0)); }
};

// ---- the quick-find box ----

TEST_F(PlayListView, QuickFindWalkThroughAlphaBetaGammaBest) {
  auto& w = Shown();
  Type('B');
  // The box opened with the small letter; the list's type-ahead went to Beta.
  EXPECT_FALSE(Edit().isHidden());
  EXPECT_EQ(Edit().text(), "b");
  EXPECT_EQ(Focus(), &Edit());
  EXPECT_EQ(List().ItemIndex(), 1);
  Type('e');
  EXPECT_EQ(Edit().text(), "be");
  Press(Qt::Key_Return, "\r");  // searches "be" from the line after Beta
  EXPECT_EQ(Edit().text(), "be");  // Enter inserts nothing
  EXPECT_EQ(List().ItemIndex(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  Release(Qt::Key_Return, "\r");
  EXPECT_FALSE(Edit().isHidden());

  // Nothing further: the box closes empty and the list has the focus again.
  Press(Qt::Key_Return, "\r");
  EXPECT_TRUE(Edit().isHidden());
  EXPECT_TRUE(Edit().text().isEmpty());
  EXPECT_EQ(Focus(), &Box());
  // Its release reaches the list, but the key went down in the box: it is
  // not the list's, and nothing plays.
  Release(Qt::Key_Return, "\r");
  EXPECT_EQ(Device->OpenPath(), "");
  // A press and release in the list play the focused line.
  Press(Qt::Key_Return, "\r");
  Release(Qt::Key_Return, "\r");
  EXPECT_EQ(Device->OpenPath(), Dir.File("Gamma Best.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
  (void)w;
}

TEST_F(PlayListView, QuickFindEscClosesAndBlanksOrTheOptionOffOpenNothing) {
  auto& w = Shown();
  Type('g');
  Key(Qt::Key_Escape);
  EXPECT_TRUE(Edit().isHidden());
  EXPECT_EQ(Focus(), &Box());
  Type(' ');
  EXPECT_TRUE(Edit().isHidden());
  w.VelmarisOptions.QuickFind = false;
  now += 500;
  Type('g');
  EXPECT_TRUE(Edit().isHidden());
  EXPECT_EQ(Focus(), &Box());
  EXPECT_EQ(List().ItemIndex(), 2);  // the list's own type-ahead still works
}

TEST_F(PlayListView, ListTypeAheadStartsAfreshAfter100Ms) {
  auto& w = Shown();
  w.VelmarisOptions.QuickFind = false;
  List().Add(MakeSong("Gambit.mp3"), -1);
  for (char c : std::string("gamb")) {
    Type(c);
    now += 99;
  }
  EXPECT_EQ(Box().TypeAheadPrefix(), "gamb");
  EXPECT_EQ(List().ItemIndex(), 3);
  EXPECT_EQ(SelectedRows(), (Rows{3}));
  now += 1;
  Type('b');
  EXPECT_EQ(Box().TypeAheadPrefix(), "b");
  EXPECT_EQ(List().ItemIndex(), 1);
}

TEST_F(PlayListView, QuickFindIdlesOutOnTheFifthTick) {
  auto& w = Shown();
  w.QuickFindIdleStep();  // closed box: nothing counts
  EXPECT_EQ(w.QuickFind->Idle, 0);
  Type('a');
  for (int tick = 1; tick <= 4; ++tick) w.QuickFindIdleStep();
  EXPECT_FALSE(Edit().isHidden());
  Type('l');  // a key starts the count again
  EXPECT_EQ(w.QuickFind->Idle, 0);
  for (int tick = 1; tick <= 4; ++tick) w.QuickFindIdleStep();
  EXPECT_FALSE(Edit().isHidden());
  w.QuickFindIdleStep();
  EXPECT_TRUE(Edit().isHidden());
  EXPECT_TRUE(Edit().text().isEmpty());
  EXPECT_EQ(Focus(), &Box());
}

// ---- the list's keys and mouse ----

TEST_F(PlayListView, DeleteRemovesEnterPlaysEscDeselects) {
  Shown({"a", "b", "c", "d"});
  List().SetSelected(1, true);
  List().SetSelected(2, true);
  List().SetItemIndex(1);
  Key(Qt::Key_Delete);
  EXPECT_EQ(Lines(), (Strings{"a", "d"}));
  EXPECT_EQ(SelectedRows(), (Rows{1}));
  Key(Qt::Key_Return, "\r");
  EXPECT_EQ(Device->OpenPath(), Dir.File("d.mp3"));
  Key(Qt::Key_Escape);
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(List().ItemIndex(), 1);
}

TEST_F(PlayListView, LeftAndRightInTheListMoveLikeUpAndDown) {
  auto& w = Shown();
  List().SelectOnly(1);
  // The arrow keys keep their list meaning: they never reach the window,
  // whose own left and right keys step through the songs.
  Key(Qt::Key_Left);
  EXPECT_EQ(List().ItemIndex(), 0);
  Key(Qt::Key_Left);  // already on the first line
  EXPECT_EQ(List().ItemIndex(), 0);
  for (int i = 0; i < 3; ++i) Key(Qt::Key_Right);
  EXPECT_EQ(List().ItemIndex(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{2}));
  Press(Qt::Key_Left, QString(), Qt::ShiftModifier);  // Shift extends as with Up
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  // In the quick-find box they move the caret, even at the ends of its text.
  Type('a');
  ASSERT_EQ(Focus(), &Edit());
  for (int k : {Qt::Key_Left, Qt::Key_Left, Qt::Key_Right, Qt::Key_Right}) Key(k);
  EXPECT_EQ(Device->OpenPath(), "");  // nothing was played
  EXPECT_EQ(w.Engine().PlayerMode(), TMPModes::mpNotReady);
}

TEST_F(PlayListView, HintShowsTheLineUnderThePointer) {
  Shown({});
  EXPECT_EQ(Box().toolTip(), "Drag-and-drop files here");
  List().Add("/m/First line.mp3", -1);
  List().Add("/m/Second line.mp3", -1);
  QApplication::processEvents();
  Mouse(QEvent::MouseMove, LineRect(1).center(), Qt::NoButton);
  EXPECT_EQ(Box().toolTip(), "Second line");
  Mouse(QEvent::MouseMove, QPoint(Box().viewport()->width() - 3, LineRect(0).center().y()), Qt::NoButton);
  EXPECT_EQ(Box().toolTip(), "First line");
  Mouse(QEvent::MouseMove, QPoint(5, LineRect(1).bottom() + 5), Qt::NoButton);
  EXPECT_EQ(Box().toolTip(), "Drag and Drop Files Here");
}

TEST_F(PlayListView, DoubleClickPlaysTheFocusedLineAlsoBelowTheLastLine) {
  Shown();
  List().SetItemIndex(1);
  Mouse(QEvent::MouseButtonDblClick, QPoint(5, LineRect(2).bottom() + 8), Qt::LeftButton);
  EXPECT_EQ(Device->OpenPath(), Paths()[1]);
  Mouse(QEvent::MouseButtonDblClick, LineRect(2).center(), Qt::LeftButton);
  EXPECT_EQ(Device->OpenPath(), Paths()[2]);
}

TEST_F(PlayListView, SortKeepsTheScrollPosition) {
  auto& w = Shown({});
  std::vector<std::string> paths;
  for (int i = 0; i < 200; ++i) paths.push_back("/m/" + std::to_string(1000 - i) + ".mp3");
  List().AddFileList(paths, false);
  QApplication::processEvents();
  Box().verticalScrollBar()->setValue(50);
  const int before = Box().verticalScrollBar()->value();
  ASSERT_GT(before, 0);
  w.SortByName1Click();
  EXPECT_EQ(Lines().front(), "1000");
  EXPECT_EQ(Box().verticalScrollBar()->value(), before);
}

// ---- dropped files ----

TEST_F(PlayListView, DropsOnTheUpperAreaPlayTheFirstAndOnALineInsertBeforeIt) {
  auto& w = Shown({"s0", "s1", "s2"});
  const std::string x = MakeSong("x.mp3"), y = MakeSong("y.mp3");
  const QPoint onLine1 = Box().viewport()->mapTo(&w, LineRect(1).center());
  ASSERT_GT(onLine1.y(), 115);
  w.WMDropFiles({x, y}, onLine1);
  EXPECT_EQ(Lines(), (Strings{"s0", "x", "y", "s1", "s2"}));
  EXPECT_TRUE(Device->Calls().empty());
  // On the picture: to the top, the first dropped file plays; a file that is
  // no MP3 ends the drop.
  const std::string z = MakeSong("z.mp3");
  WriteAll(Dir.File("notes.txt"), "x");
  w.WMDropFiles({z, Dir.File("notes.txt"), x}, QPoint(50, 40));
  EXPECT_EQ(Lines().front(), "z");
  EXPECT_EQ(List().Count(), 6);
  EXPECT_EQ(Device->OpenPath(), z);
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

// ---- popup, save dialogs, label ----

TEST_F(PlayListView, PopupLineCommandsFollowTheSelectionOnPress) {
  auto& w = Shown();
  auto lineCommandsOn = [&w](bool on) {
    for (QAction* a : {w.Removeselected1, w.Openfolderofselectedfile1, w.ViewFileInfoID3TagInfo})
      EXPECT_EQ(a->isEnabled(), on) << a->text().toStdString();
  };
  // A right press on a line selects it, so the popup acts on that line.
  List().SelectOnly(0);
  Mouse(QEvent::MouseButtonPress, LineRect(1).center(), Qt::RightButton);
  EXPECT_EQ(SelectedRows(), (Rows{1}));
  lineCommandsOn(true);
  // Below the last line nothing is selected: the line commands are off.
  List().DeselectAll();
  Mouse(QEvent::MouseButtonPress, QPoint(LineRect(0).center().x(), w.PlayList->viewport()->height() - 2),
        Qt::RightButton);
  lineCommandsOn(false);
  EXPECT_TRUE(w.SortByName1->isEnabled());
}

TEST_F(PlayListView, SaveAsAddsTheExtensionOnlyToBareNamesAndNewAsksAgain) {
  auto& w = Shown({"a"});
  Dialogs.SaveAnswers = {Dir.File("mylist"), Dir.File("mylist.txt"), ""};
  w.ButtonSaveClick();
  w.ButtonSaveClick();
  w.ButtonSaveClick();  // cancelled: nothing written
  EXPECT_TRUE(Exists(Dir.File("mylist.vpls")));
  EXPECT_TRUE(Exists(Dir.File("mylist.txt")));
  EXPECT_FALSE(Exists(Dir.File("mylist")));
  ASSERT_EQ(Dialogs.Titles.size(), 3u);
  EXPECT_EQ(Dialogs.Titles[0], "Save Playlist");
  EXPECT_EQ(Dialogs.Filters[0], "Velmaris Playlists (*.vpls)|*.vpls|All Files (*.*)|*.*");
  // "Save current" writes the file last saved without asking...
  w.Savecurrentplaylist1Click();
  EXPECT_EQ(Dialogs.Titles.size(), 3u);
  // ...but asks after New, and when that file has gone.
  w.ButtonNewClick();
  Dialogs.SaveAnswers = {""};
  w.Savecurrentplaylist1Click();
  EXPECT_EQ(Dialogs.Titles.size(), 4u);
  w.VelmarisOptions.LastListFile = Dir.File("gone.vpls");
  Dialogs.SaveAnswers = {Dir.File("chosen")};
  w.Savecurrentplaylist1Click();
  EXPECT_TRUE(Exists(Dir.File("chosen.vpls")));
  EXPECT_FALSE(Exists(Dir.File("gone.vpls")));
}

TEST_F(PlayListView, ThePanelLabelNamesTheLoadedPlaylistAndCountsAreReported) {
  auto& w = Shown({"a", "a"});
  WriteAll(Dir.File("Road Trip.vpls"), Dir.File("a.mp3") + "\r\n");
  w.Engine().OpenPath(Dir.File("Road Trip.vpls"), true, false);
  EXPECT_TRUE(w.PlayListLabel->text().isEmpty());  // appended: no name
  w.Engine().OpenPath(Dir.File("Road Trip.vpls"), false, false);
  EXPECT_EQ(w.PlayListLabel->text(), "Road Trip");
  List().Add(Dir.File("a.mp3"), -1);
  w.mniRemoveDuplicatesClick();
  w.RemoveNonExistent();
  ASSERT_EQ(Dialogs.Messages.size(), 2u);
  EXPECT_EQ(Dialogs.Messages[0].Text, "1 duplicates removed.");
  EXPECT_EQ(Dialogs.Messages[1].Text, "0 items removed.");
  EXPECT_EQ(Dialogs.Messages[1].Caption, "Velmaris");
  w.ButtonNewClick();
  EXPECT_TRUE(w.PlayListLabel->text().isEmpty());
}

} // namespace

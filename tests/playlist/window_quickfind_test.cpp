// Quick find, the list's keys, type-ahead and hints, driven with real key
// and mouse events where the keyboard focus is.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>

#include "playlist/window_helpers.h"

namespace {

using Strings = std::vector<std::string>;
using Rows = std::vector<int>;

class QuickFind : public PlayListWindow {
protected:
  int64_t now = 1000;
  TFrmMainVelmaris& Abg() {
    auto& w = ShownWindow();
    SetLines({"Alpha", "Beta", "Gamma Best"});
    for (const std::string& p : Paths()) testsupport::WriteAll(p, "x");
    List().SetTypeAheadClock([this] { return now; });
    return w;
  }
};

TEST_F(QuickFind, SearchFindsPrefixesFirstThenWordsWithoutWrapping) {
  auto& w = CreateWindow();
  SetLines({"Alpha", "Beta", "Gamma Best", "Bet On It"});
  EXPECT_EQ(w.FindInPlayList("be", 0, false), 1);
  EXPECT_EQ(w.FindInPlayList("be", 2, false), 3);  // the prefix pass wins over the word pass
  EXPECT_EQ(w.FindInPlayList("best", 0, false), 2);
  EXPECT_EQ(w.FindInPlayList("ta", 0, false), -1);  // inside a word only
  EXPECT_EQ(w.FindInPlayList("alpha", 1, false), -1);  // no wrap to earlier lines
  EXPECT_EQ(w.FindInPlayList("GAMMA", 0, false), 2);
  EXPECT_EQ(w.FindInPlayList("gamma", 0, true), -1);
  EXPECT_EQ(w.FindInPlayList("Gamma", 0, true), 2);
  EXPECT_EQ(w.FindInPlayList("be", 9, false), -1);
  // Long texts with capitals, digits and punctuation.
  SetLines({"A Very LONG Title [Remix] - 2024_(x)"});
  EXPECT_EQ(w.FindInPlayList("a very long title [remix] - 2024_(X)", 0, false), 4);
  EXPECT_EQ(w.FindInPlayList("a very long title {remix", 0, false), -1);
  EXPECT_EQ(w.FindInPlayList("a very long title [remix] - 2024_(x)!", 0, false), -1);
  EXPECT_EQ(w.FindInPlayList("long title [REMIX]", 0, false), 4);
}

TEST_F(QuickFind, SearchLowersNonAsciiTextLikeQString) {
  auto& w = CreateWindow();
  SetLines({"plain", "ÄRGER über alles", "ΣΟΦΙΑ", "İstanbul"});
  EXPECT_EQ(w.FindInPlayList("är", 0, false), 1);
  EXPECT_EQ(w.FindInPlayList("ÜBER", 0, false), 1);
  EXPECT_EQ(w.FindInPlayList("σοφ", 0, false), 2);
  EXPECT_EQ(w.FindInPlayList(QString::fromUtf8("İs").toLower().toStdString(), 0, false), 3);
}

TEST(QuickFindLowering, MatchesQStringToLowerForEveryCodePoint) {
  // The search lowers display texts without making QStrings; it must agree
  // with QString::toLower on every character.
  for (char32_t cp = 1; cp < 0x110000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const QString s = QString::fromUcs4(&cp, 1);
    const std::string utf8 = s.toStdString();
    ASSERT_TRUE(TPlayListModel::StartsWithLower(utf8, TPlayListModel::LowerNeedle(s)))
        << std::hex << static_cast<uint32_t>(cp);
    ASSERT_FALSE(TPlayListModel::StartsWithLower(utf8, TPlayListModel::LowerNeedle(s + QStringLiteral("x"))))
        << std::hex << static_cast<uint32_t>(cp);
    // After an ASCII start (the byte-by-byte path first, then the full rules).
    ASSERT_TRUE(TPlayListModel::StartsWithLower("Ab" + utf8 + "Z", TPlayListModel::LowerNeedle("aB" + s + "z")))
        << std::hex << static_cast<uint32_t>(cp);
  }
  // The Kelvin sign lowers to an ASCII k.
  EXPECT_TRUE(TPlayListModel::StartsWithLower("\xe2\x84\xaa" "ey", TPlayListModel::LowerNeedle("key")));
  // Bytes that are not UTF-8 match nothing typed, and do not trip the reader.
  EXPECT_FALSE(TPlayListModel::StartsWithLower(std::string("\xff\xc3", 2), TPlayListModel::LowerNeedle("a")));
  EXPECT_TRUE(TPlayListModel::HasWordLower(std::string("\xe2\x82 abc", 6), TPlayListModel::LowerNeedle("AB")));
  EXPECT_FALSE(TPlayListModel::HasWordLower("xab abX", TPlayListModel::LowerNeedle("x")));
}

TEST_F(QuickFind, WalkThroughAlphaBetaGammaBest) {
  auto& w = Abg();
  ASSERT_EQ(Focus(), &List());
  Type('b');
  // The box opened with the letter; the list's type-ahead went to Beta.
  EXPECT_FALSE(w.QuickFindEdit->isHidden());
  EXPECT_EQ(w.QuickFindEdit->text(), "b");
  EXPECT_EQ(Focus(), w.QuickFindEdit);
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{1}));

  Type('e');  // searches "b": the e has not landed yet
  EXPECT_EQ(w.QuickFindEdit->text(), "be");
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(w.LastFoundIndex, 1);

  Press(Qt::Key_Return, "\r");  // searches "be" from the line after Beta
  EXPECT_EQ(w.QuickFindEdit->text(), "be");  // Enter inserts nothing
  EXPECT_EQ(List().ItemIndex(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  EXPECT_EQ(w.LastFoundIndex, -1);
  Release(Qt::Key_Return, "\r");
  EXPECT_FALSE(w.QuickFindEdit->isHidden());

  // Nothing further: the box closes and the list has the focus again.
  Press(Qt::Key_Return, "\r");
  EXPECT_TRUE(w.QuickFindEdit->isHidden());
  EXPECT_TRUE(w.QuickFindEdit->text().isEmpty());
  EXPECT_EQ(Focus(), &List());
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  // Its release reaches the list, which plays the focused line.
  EXPECT_EQ(Device->OpenPath(), "");
  Release(Qt::Key_Return, "\r");
  EXPECT_EQ(Device->OpenPath(), Dir.File("Gamma Best.mp3"));
  EXPECT_EQ(Device->Mode(), TMPModes::mpPlaying);
}

TEST_F(QuickFind, LettersAreShownSmallAndDeselectOnNoMatch) {
  auto& w = Abg();
  Type('G');
  EXPECT_EQ(w.QuickFindEdit->text(), "g");
  EXPECT_EQ(List().ItemIndex(), 2);
  Type('x');  // searches "g": Gamma Best
  Type('y');  // searches "gx": nothing, so everything is deselected
  EXPECT_EQ(w.QuickFindEdit->text(), "gxy");
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(List().ItemIndex(), 0);
  Key(Qt::Key_Escape);
  EXPECT_TRUE(w.QuickFindEdit->isHidden());
  EXPECT_EQ(Focus(), &List());
}

TEST_F(QuickFind, PreviousFindIsDeselectedWhenTheSearchMovesOn) {
  auto& w = Abg();
  Type('g');
  List().SetSelected(0, true);  // selected by other means: stays selected
  Type('a');  // "g": Gamma Best
  EXPECT_EQ(w.LastFoundIndex, 2);
  w.QuickFindEdit->setText("b");
  Type('x');  // "b": Beta; Gamma Best, found before, is deselected
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{0, 1}));
}

TEST_F(QuickFind, BlanksAndQuickFindOffOpenNothing) {
  auto& w = Abg();
  Type(' ');
  EXPECT_TRUE(w.QuickFindEdit->isHidden());
  w.VelmarisOptions.QuickFind = false;
  now += 500;
  Type('g');
  EXPECT_TRUE(w.QuickFindEdit->isHidden());
  EXPECT_EQ(Focus(), &List());
  EXPECT_EQ(List().ItemIndex(), 2);  // the list's own type-ahead still works
}

TEST_F(QuickFind, TypeAheadPrefixStartsAfreshAfter100Ms) {
  auto& w = Abg();
  w.VelmarisOptions.QuickFind = false;
  SetLines({"Gambit"});
  Type('g');
  now += 99;
  Type('a');
  now += 99;
  Type('m');
  now += 99;
  Type('b');
  EXPECT_EQ(List().TypeAheadPrefix(), "gamb");
  EXPECT_EQ(List().ItemIndex(), 3);
  EXPECT_EQ(SelectedRows(), (Rows{3}));
  now += 100;
  Type('b');
  EXPECT_EQ(List().TypeAheadPrefix(), "b");
  EXPECT_EQ(List().ItemIndex(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{1}));
}

TEST_F(QuickFind, IdleStepClosesTheBoxOnTheFifthTick) {
  auto& w = Abg();
  w.QuickFindIdleStep();  // closed box: nothing counts
  EXPECT_EQ(w.QuickFindIdle, 0);
  Type('a');
  for (int tick = 1; tick <= 4; ++tick) {
    w.QuickFindIdleStep();
    EXPECT_FALSE(w.QuickFindEdit->isHidden()) << tick;
  }
  Type('l');  // a key starts the count again
  EXPECT_EQ(w.QuickFindIdle, 0);
  for (int tick = 1; tick <= 4; ++tick) w.QuickFindIdleStep();
  EXPECT_FALSE(w.QuickFindEdit->isHidden());
  w.QuickFindIdleStep();
  EXPECT_TRUE(w.QuickFindEdit->isHidden());
  EXPECT_TRUE(w.QuickFindEdit->text().isEmpty());
  EXPECT_EQ(Focus(), &List());
}

TEST_F(QuickFind, EscUpDeselectsAndClickingBackAppendsToTheBox) {
  auto& w = Abg();
  Select({0, 2});
  Key(Qt::Key_Escape);
  EXPECT_TRUE(SelectedRows().empty());
  Type('a');
  List().setFocus();
  now += 500;
  Type('l');
  EXPECT_EQ(w.QuickFindEdit->text(), "al");
}

TEST_F(QuickFind, LeftAndRightInTheListMoveLikeUpAndDown) {
  auto& w = Abg();
  List().SelectOnly(1);
  ASSERT_EQ(Focus(), &List());
  // The arrow keys keep their list meaning: they never reach the window,
  // whose own left and right keys step through the songs.
  Key(Qt::Key_Left);
  EXPECT_EQ(List().ItemIndex(), 0);
  EXPECT_EQ(SelectedRows(), (Rows{0}));
  Key(Qt::Key_Left);  // already on the first line
  EXPECT_EQ(List().ItemIndex(), 0);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);  // already on the last line
  EXPECT_EQ(List().ItemIndex(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{2}));
  Press(Qt::Key_Left, QString(), Qt::ShiftModifier);  // Shift extends as with Up
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  // In the quick-find box they move the caret, even at the ends of its text.
  Type('a');
  ASSERT_EQ(Focus(), w.QuickFindEdit);
  Key(Qt::Key_Left);
  Key(Qt::Key_Left);
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  EXPECT_EQ(Device->OpenPath(), "");  // nothing was played
  EXPECT_EQ(w.PlayerMode(), TMPModes::mpNotReady);
}

TEST_F(QuickFind, HintShowsTheLineUnderThePointer) {
  auto& w = ShownWindow();
  EXPECT_EQ(List().toolTip(), "Drag-and-drop files here");
  SetLines({"First line", "Second line"});
  QApplication::processEvents();
  auto move = [&](QPoint at) {
    QMouseEvent e(QEvent::MouseMove, at, List().viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(List().viewport(), &e);
  };
  move(List().visualRect(Model().index(1, 0)).center());
  EXPECT_EQ(List().toolTip(), "Second line");
  move(QPoint(List().viewport()->width() - 3, List().visualRect(Model().index(0, 0)).center().y()));
  EXPECT_EQ(List().toolTip(), "First line");
  move(QPoint(5, List().visualRect(Model().index(1, 0)).bottom() + 5));
  EXPECT_EQ(List().toolTip(), "Drag and Drop Files Here");
  (void)w;
}

TEST_F(QuickFind, DoubleClickPlaysTheFocusedLineAlsoBelowTheLastLine) {
  auto& w = Abg();
  QApplication::processEvents();
  auto doubleClick = [&](QPoint at) {
    QMouseEvent e(QEvent::MouseButtonDblClick, at, List().viewport()->mapToGlobal(at), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(List().viewport(), &e);
  };
  List().SetItemIndex(1);
  doubleClick(QPoint(5, List().visualRect(Model().index(2, 0)).bottom() + 8));
  EXPECT_EQ(Device->OpenPath(), Paths()[1]);
  doubleClick(List().visualRect(Model().index(2, 0)).center());
  EXPECT_EQ(Device->OpenPath(), Paths()[2]);
  (void)w;
}

} // namespace

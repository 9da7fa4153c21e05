// Finding lines: prefixes before words, letter case, and the steps of quick
// find as the box's text and Enter drive them.
#include <gtest/gtest.h>

#include <QString>

#include "playlist/PlayListFixture.h"

namespace {

class PlayListFind : public PlayListTest {};

TEST_F(PlayListFind, PrefixesFirstThenWordsWithoutWrapping) {
  SetLines({"Alpha", "Beta", "Gamma Best", "Bet On It"});
  const PlayList& l = List();
  EXPECT_EQ(l.Find("be", 0, false), 1);
  EXPECT_EQ(l.Find("be", 2, false), 3);  // the prefix pass wins over the word pass
  EXPECT_EQ(l.Find("best", 0, false), 2);
  EXPECT_EQ(l.Find("ta", 0, false), -1);  // inside a word only
  EXPECT_EQ(l.Find("alpha", 1, false), -1);  // no wrap to earlier lines
  EXPECT_EQ(l.Find("be", 9, false), -1);
  EXPECT_EQ(l.Find("be", -5, false), 1);
  EXPECT_EQ(l.Find("GAMMA", 0, false), 2);
  EXPECT_EQ(l.Find("gamma", 0, true), -1);
  EXPECT_EQ(l.Find("Gamma", 0, true), 2);
  EXPECT_EQ(l.Find("Best", 0, true), 2);  // the word pass with case too
  EXPECT_EQ(l.Find("best", 0, true), -1);
  // Long texts with capitals, digits and punctuation.
  SetLines({"A Very LONG Title [Remix] - 2024_(x)"});
  EXPECT_EQ(l.Find("a very long title [remix] - 2024_(X)", 0, false), 4);
  EXPECT_EQ(l.Find("a very long title {remix", 0, false), -1);
  EXPECT_EQ(l.Find("a very long title [remix] - 2024_(x)!", 0, false), -1);
  EXPECT_EQ(l.Find("long title [REMIX]", 0, false), 4);
}

TEST_F(PlayListFind, LowersNonAsciiTextLikeQString) {
  SetLines({"plain", "ÄRGER über alles", "ΣΟΦΙΑ", "İstanbul"});
  const PlayList& l = List();
  EXPECT_EQ(l.Find("är", 0, false), 1);
  EXPECT_EQ(l.Find("ÜBER", 0, false), 1);
  EXPECT_EQ(l.Find("σοφ", 0, false), 2);
  EXPECT_EQ(l.Find(QString::fromUtf8("İs").toLower().toStdString(), 0, false), 3);
}

TEST(PlayListLowering, MatchesQStringToLowerForEveryCodePoint) {
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

// The box's key-down steps: each searches the text as it was before the key.
class QuickFindSteps : public PlayListTest {
protected:
  void SetUp() override {
    PlayListTest::SetUp();
    SetLines({"Alpha", "Beta", "Gamma Best"});
  }
};

TEST_F(QuickFindSteps, EnterSearchesOnFromTheLineAfterTheFocusAndClosesWhenNothingFollows) {
  EXPECT_FALSE(List().QuickFindStep("b", false));
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{1}));
  EXPECT_FALSE(List().QuickFindStep("be", true));  // Gamma Best, by its word
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));  // Enter keeps what it found before
  EXPECT_TRUE(List().QuickFindStep("be", true));  // nothing after: the box closes
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{1, 2}));
  // Without a focused line Enter searches from the top.
  List().SetItemIndex(-1);
  EXPECT_FALSE(List().QuickFindStep("gamma", true));
  EXPECT_EQ(Current(), 2);
}

TEST_F(QuickFindSteps, TheLineFoundBeforeIsDeselectedWhenTheSearchMovesOn) {
  List().QuickFindStep("g", false);
  List().SetSelected(0, true);  // selected by other means: stays selected
  List().QuickFindStep("g", false);
  EXPECT_EQ(SelectedRows(), (Rows{0, 2}));
  List().QuickFindStep("b", false);  // Beta; Gamma Best, found before, goes
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{0, 1}));
  // A line found by Enter is not deselected by the next step.
  List().QuickFindStep("g", true);
  List().QuickFindStep("alpha", false);
  EXPECT_EQ(SelectedRows(), (Rows{0, 1, 2}));
}

TEST_F(QuickFindSteps, NoMatchDeselectsEverythingAndFocusesTheFirstLine) {
  List().QuickFindStep("g", false);
  EXPECT_FALSE(List().QuickFindStep("gx", false));
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(Current(), 0);
  // With nothing selected the focus stays where it is.
  List().SetItemIndex(2);
  List().QuickFindStep("gxy", false);
  EXPECT_EQ(Current(), 2);
}

} // namespace

// The editing commands: removing lines, sorting, moving, inverting; the
// selection and the focus each leaves behind.
#include <gtest/gtest.h>

#include <QLocale>

#include <sys/stat.h>

#include "playlist/PlayListFixture.h"

namespace {

class PlayListEditing : public PlayListTest {};

TEST_F(PlayListEditing, RemoveSeveralFocusesTheLowestRemovedPlace) {
  SetLines({"l0", "l1", "l2", "l3", "l4", "l5", "l6"});
  Select({2, 5}, 5);
  List().RemoveSelected();
  EXPECT_EQ(Lines(), (Strings{"l0", "l1", "l3", "l4", "l6"}));
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(SelectedRows(), (Rows{2}));
}

TEST_F(PlayListEditing, RemoveOneLineLeavesItsNeighbourFocusedAndSelected) {
  SetLines({"a", "b", "c", "d"});
  List().SelectOnly(2);
  List().RemoveSelected();
  EXPECT_EQ(Lines(), (Strings{"a", "b", "d"}));
  EXPECT_EQ(Current(), 2);  // the next line moved into its place
  EXPECT_EQ(SelectedRows(), (Rows{2}));
  List().RemoveSelected();  // the last line: its predecessor follows
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(SelectedRows(), (Rows{1}));
  List().RemoveSelected();
  List().RemoveSelected();
  EXPECT_TRUE(Lines().empty());
  EXPECT_EQ(Current(), -1);
}

TEST_F(PlayListEditing, RemoveNeedsTheFocusedLineSelected) {
  SetLines({"a", "b", "c", "d"});
  Select({0, 1}, 3);
  List().RemoveSelected();
  EXPECT_EQ(List().Count(), 4);
  Select({0, 1}, -1);
  List().RemoveSelected();
  EXPECT_EQ(List().Count(), 4);
  EXPECT_EQ(SelectedRows(), (Rows{0, 1}));
}

TEST_F(PlayListEditing, RemoveTheLastTwoLeavesNoSelectionAndNoFocus) {
  SetLines({"a", "b", "c", "d"});
  Select({2, 3}, 3);
  List().RemoveSelected();
  EXPECT_EQ(Lines(), (Strings{"a", "b"}));
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(Current(), -1);
}

TEST_F(PlayListEditing, RemoveNonExistentKeepsFilesAndTheSelectionOfTheRest) {
  List().SetDisplayMode(1);
  const std::string real = MakeSong("real.mp3");
  const std::string folder = Dir.File("folder.mp3");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  List().AddFileList({Dir.File("gone1.mp3"), real, folder, Dir.File("gone2.mp3"), real}, false);
  Select({1, 4}, 3);
  EXPECT_EQ(List().RemoveNonExistent(), 3);
  EXPECT_EQ(Paths(), (Strings{real, real}));
  // Selection stays with its lines; the focus keeps its number where it can.
  EXPECT_EQ(SelectedRows(), (Rows{0, 1}));
  EXPECT_EQ(Current(), 1);
  EXPECT_EQ(List().RemoveNonExistent(), 0);
}

TEST_F(PlayListEditing, RemoveDuplicatesKeepsFirstOccurrencesAndLetterCase) {
  List().AddFileList({"/m/a.mp3", "/m/b.mp3", "/m/a.mp3", "/m/A.mp3", "/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, false);
  Select({3, 6}, 4);
  EXPECT_EQ(List().RemoveDuplicates(), 3);
  EXPECT_EQ(Paths(), (Strings{"/m/a.mp3", "/m/b.mp3", "/m/A.mp3", "/m/c.mp3"}));
  EXPECT_EQ(SelectedRows(), (Rows{2, 3}));
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(List().RemoveDuplicates(), 0);
}

TEST_F(PlayListEditing, SortIgnoresCaseKeepsEqualOrderAndTheFocusNumber) {
  List().SetDisplayMode(1);
  List().AddFileList({"/1/beta.mp3", "/2/Alpha.mp3", "/3/gamma.mp3", "/4/alpha.mp3", "/5/ALPHA.mp3", "/6/Beta.mp3"},
                     false);
  Select({0, 2}, 2);
  List().SortByName();
  EXPECT_EQ(Lines(), (Strings{"Alpha", "alpha", "ALPHA", "beta", "Beta", "gamma"}));
  // Entries travel with their lines; the selection is dropped.
  EXPECT_EQ(Paths()[0], "/2/Alpha.mp3");
  EXPECT_EQ(Paths()[5], "/3/gamma.mp3");
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(Current(), 2);
  List().Add("/7/aaa.mp3", -1);  // later additions append at the end
  EXPECT_EQ(Lines().back(), "aaa");
}

TEST_F(PlayListEditing, SortKeepsTheOrderOfEqualTextsInALongList) {
  // Long enough that an unstable sort would reorder equal keys.
  Strings paths, aPaths, bPaths;
  for (int i = 0; i < 200; ++i) {
    const std::string path = "/" + std::to_string(i) + "/" + (i % 3 ? "b" : "A") + ".mp3";
    paths.push_back(path);
    (i % 3 ? bPaths : aPaths).push_back(path);
  }
  List().AddFileList(paths, false);
  List().SortByName();
  Strings expected = aPaths;
  expected.insert(expected.end(), bPaths.begin(), bPaths.end());
  EXPECT_EQ(Paths(), expected);
}

TEST_F(PlayListEditing, SortFollowsTheUserLocale) {
  const QLocale before;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  List().SetDisplayMode(1);
  List().AddFileList({"/beta.mp3", "/Zebra.mp3", "/apple.mp3", "/Äpfel.mp3", "/alpha.mp3", "/Alpha.mp3"}, false);
  List().SortByName();
  QLocale::setDefault(before);
  EXPECT_EQ(Lines(), (Strings{"alpha", "Alpha", "Äpfel", "apple", "beta", "Zebra"}));
}

TEST_F(PlayListEditing, MoveUpAndDownSelectsTheMovedLineOnly) {
  SetLines({"a", "b", "c", "d"});
  Select({2, 3}, 1);
  List().MoveFocused(true);
  EXPECT_EQ(Lines(), (Strings{"a", "c", "b", "d"}));
  EXPECT_EQ(Current(), 2);
  // The moved line is selected; the others keep their own state.
  EXPECT_EQ(SelectedRows(), (Rows{1, 2, 3}));
  List().MoveFocused(false);
  List().MoveFocused(false);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
  EXPECT_EQ(Current(), 0);
  // At the ends and without focus nothing happens.
  List().MoveFocused(false);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
  List().SetItemIndex(3);
  List().MoveFocused(true);
  EXPECT_EQ(Current(), 3);
  List().SetItemIndex(-1);
  List().MoveFocused(true);
  EXPECT_EQ(Lines(), (Strings{"b", "a", "c", "d"}));
}

TEST_F(PlayListEditing, InvertSelectionKeepsTheFocus) {
  SetLines({"a", "b", "c", "d", "e"});
  Select({0, 2, 3}, 2);
  List().InvertSelection();
  EXPECT_EQ(SelectedRows(), (Rows{1, 4}));
  EXPECT_EQ(Current(), 2);
}

} // namespace

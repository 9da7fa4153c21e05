// Which line plays next: next, previous and a random other line.
#include <gtest/gtest.h>

#include <functional>

#include "playlist/LineChoice.h"

namespace {

TEST(LineChoiceTest, NextAndPreviousWrap) {
  const struct {
    int Current, Count, Next, Previous;
  } cases[] = {
      {0, 3, 1, 2},   {1, 3, 2, 0},   {2, 3, 0, 1},
      {-1, 3, 0, 2},  // no current line: the first, the last
      {7, 3, 0, 2},   // a stale current line past the end
      {0, 1, 0, 0},   {-1, 1, 0, 0},
      {0, 0, -1, -1}, {-1, 0, -1, -1},  // an empty list
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LineChoice::Next(c.Current, c.Count), c.Next) << c.Current << " of " << c.Count;
    EXPECT_EQ(LineChoice::Previous(c.Current, c.Count), c.Previous) << c.Current << " of " << c.Count;
  }
}

TEST(LineChoiceTest, RandomSkipsTheCurrentLine) {
  // `draw` answers `k` and records the range it was asked for.
  int asked = -1;
  auto draw = [&asked](int k) { return [&asked, k](int n) { asked = n; return k; }; };
  const struct {
    int Current, Count, Drawn, Line, Range;
  } cases[] = {
      {1, 3, 0, 0, 2}, {1, 3, 1, 2, 2},  // draws at or after the current line skip it
      {0, 3, 0, 1, 2}, {2, 3, 1, 1, 2},
      {-1, 3, 2, 2, 3}, {5, 3, 2, 2, 3},  // no valid current line: any line
      {-1, 1, 0, 0, 1},
  };
  for (const auto& c : cases) {
    asked = -1;
    EXPECT_EQ(LineChoice::Random(c.Current, c.Count, draw(c.Drawn)), c.Line) << c.Current << " of " << c.Count;
    EXPECT_EQ(asked, c.Range) << c.Current << " of " << c.Count;
  }
  // The only line is current, or there is none: nothing to move to, nothing drawn.
  asked = -1;
  EXPECT_EQ(LineChoice::Random(0, 1, draw(0)), -1);
  EXPECT_EQ(LineChoice::Random(-1, 0, draw(0)), -1);
  EXPECT_EQ(asked, -1);
}

} // namespace

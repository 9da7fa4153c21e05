#pragma once
// Which line plays after the current one: next, previous or a random other
// line. -1 for "no current line"; every function answers -1 when there is
// no line to move to. Standard library only.
#include <functional>

namespace LineChoice {

// The line after `current`; after the last line, or with no valid current
// line, the first.
int Next(int current, int count);
// The line before `current`; before the first line, or with no valid
// current line, the last.
int Previous(int current, int count);
// A random line other than the current one. `draw(n)` gives a number in
// 0..n-1. A list whose only line is current has no other line (-1), so
// shuffle ends there instead of replaying that line for ever.
int Random(int current, int count, const std::function<int(int)>& draw);

} // namespace LineChoice

#pragma once
// Edge snapping of the window while it is dragged: the arithmetic only, in
// plain integers, so it can be driven with rectangles and cursor positions.

namespace Snapping {

// A rectangle by its edges; right and bottom are exclusive (left + width).
struct Edges {
  int left = 0, top = 0, right = 0, bottom = 0;
};

struct Point {
  int x = 0, y = 0;
};

// What the window remembers between two moves (and between two drags).
struct State {
  Point anchor;          // cursor position where the current snap began
  bool snappedX = false; // held at the left or right edge
  bool snappedY = false; // held at the top or bottom edge
};

constexpr int kSnapDistance = 12;

// Adjusts the proposed window rectangle `r` (a window `w` wide and `h` high)
// for the cursor position `cursor`: an edge closer than `distance` to the
// matching work-area edge jumps onto it; once the cursor has moved more than
// `distance` away from where the snap began, the window lets go again and
// catches up with the cursor. The right and bottom edges are tested after the
// left and top ones, so they win when both are in reach.
void Snap(Edges& r, int w, int h, Point cursor, const Edges& work, State& state, int distance = kSnapDistance);

} // namespace Snapping

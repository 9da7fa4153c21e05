#include "app/Snapping.h"

#include <cstdlib>

namespace Snapping {

namespace {
// Distances in 64 bits: positions read from the settings are used as they
// are, however far off they lie.
long long Gap(int a, int b) { return std::llabs(static_cast<long long>(a) - b); }
} // namespace

void Snap(Edges& r, int w, int h, Point cursor, const Edges& work, State& state, int distance) {
  // Onto the left and top edges.
  if (Gap(r.left, work.left) < distance) {
    if (!state.snappedX) state.anchor = cursor;
    state.snappedX = true;
    r.left = work.left;
    r.right = r.left + w;
  }
  if (Gap(r.top, work.top) < distance) {
    if (!state.snappedY) state.anchor = cursor;
    state.snappedY = true;
    r.top = work.top;
    r.bottom = r.top + h;
  }
  // Onto the right and bottom edges; these win for a window about as wide or
  // as high as the work area.
  if (Gap(r.right, work.right) < distance) {
    if (!state.snappedX) state.anchor = cursor;
    state.snappedX = true;
    r.right = work.right;
    r.left = r.right - w;
  }
  if (Gap(r.bottom, work.bottom) < distance) {
    if (!state.snappedY) state.anchor = cursor;
    state.snappedY = true;
    r.bottom = work.bottom;
    r.top = r.bottom - h;
  }
  // Letting go once the cursor has left the place where the snap began.
  if (state.snappedX && Gap(state.anchor.x, cursor.x) > distance) {
    state.snappedX = false;
    r.left = r.left + (cursor.x - state.anchor.x);
    r.right = r.left + w;
  }
  if (state.snappedY && Gap(state.anchor.y, cursor.y) > distance) {
    state.snappedY = false;
    r.top = r.top + (cursor.y - state.anchor.y);
    r.bottom = r.top + h;
  }
}

} // namespace Snapping

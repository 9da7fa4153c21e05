#include "playlist/LineChoice.h"

namespace LineChoice {

int Next(int current, int count) {
  if (count <= 0) return -1;
  const int i = current + 1;
  return i < 0 || i > count - 1 ? 0 : i;
}

int Previous(int current, int count) {
  if (count <= 0) return -1;
  const int i = current - 1;
  return i >= 0 && i <= count - 1 ? i : count - 1;
}

int Random(int current, int count, const std::function<int(int)>& draw) {
  if (count <= 0) return -1;
  const bool currentValid = current >= 0 && current < count;
  if (currentValid && count == 1) return -1;
  // One draw among the other lines: the same choice as drawing until the
  // line differs, without the loop.
  const int others = currentValid ? count - 1 : count;
  int i = draw(others);
  if (currentValid && i >= current) ++i;
  return i;
}

} // namespace LineChoice

#pragma once
// Turning a song's channels into the two the output takes: mono is played on
// both sides, stereo as it is, and more channels are folded down with the
// usual weights (centre and surrounds at -3 dB, the LFE left out), scaled so
// that full scale on every channel stays within full scale.
#include <cstddef>
#include <vector>

namespace stereofold {

// The order a format stores more than two channels in.
enum class ChannelOrder {
  Wave,   // WAV and FLAC: L R C LFE BL BR (SL SR)
  Vorbis, // Ogg Vorbis: L C R BL BR LFE ...
};

// The weight of each source channel on the left and on the right.
struct Weights {
  std::vector<float> left, right;
};

// The weights for `channels` (3 to 8) stored in `order`; a count beyond the
// known layouts spreads even channels left and odd ones right.
Weights For(int channels, ChannelOrder order);

} // namespace stereofold

namespace stereofold {

// One frame of `channels` source values (value(i) for channel i) folded
// into its left and right sums.
template <class Value>
void Fold(const Weights& w, int channels, Value value, double& left, double& right) {
  left = right = 0.0;
  for (int i = 0; i < channels; ++i) {
    const double x = value(i);
    left += w.left[static_cast<size_t>(i)] * x;
    right += w.right[static_cast<size_t>(i)] * x;
  }
}

// A folded integer sum back to a sample of `lo`..`hi`.
template <class Int>
Int ToInt(double v, double lo, double hi) {
  v = v < 0 ? v - 0.5 : v + 0.5;
  if (v < lo) v = lo;
  if (v > hi) v = hi;
  return static_cast<Int>(v);
}

} // namespace stereofold

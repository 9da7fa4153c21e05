#include "platform/StereoFold.h"

#include <array>

namespace stereofold {
namespace {

enum Role { L, R, C, Lfe, Ls, Rs, Cs };

constexpr float kSide = 0.70710678f; // -3 dB

// The roles of the channels of each count from 3 to 8, in each order.
constexpr int kMinKnown = 3, kMaxKnown = 8;
constexpr std::array<std::array<Role, kMaxKnown>, kMaxKnown - kMinKnown + 1> kWave = {{
    {L, R, C},
    {L, R, Ls, Rs},
    {L, R, C, Ls, Rs},
    {L, R, C, Lfe, Ls, Rs},
    {L, R, C, Lfe, Cs, Ls, Rs},
    {L, R, C, Lfe, Ls, Rs, Ls, Rs},
}};
constexpr std::array<std::array<Role, kMaxKnown>, kMaxKnown - kMinKnown + 1> kVorbis = {{
    {L, C, R},
    {L, R, Ls, Rs},
    {L, C, R, Ls, Rs},
    {L, C, R, Ls, Rs, Lfe},
    {L, C, R, Ls, Rs, Cs, Lfe},
    {L, C, R, Ls, Rs, Ls, Rs, Lfe},
}};

} // namespace

Weights For(int channels, ChannelOrder order) {
  Weights w;
  w.left.assign(static_cast<size_t>(channels), 0.0f);
  w.right.assign(static_cast<size_t>(channels), 0.0f);
  const bool known = channels >= kMinKnown && channels <= kMaxKnown;
  for (int i = 0; i < channels; ++i) {
    Role role = i % 2 == 0 ? L : R;
    if (known) role = (order == ChannelOrder::Wave ? kWave : kVorbis)[static_cast<size_t>(channels - kMinKnown)][static_cast<size_t>(i)];
    float& l = w.left[static_cast<size_t>(i)];
    float& r = w.right[static_cast<size_t>(i)];
    switch (role) {
      case L: l = 1.0f; break;
      case R: r = 1.0f; break;
      case C: case Cs: l = r = kSide; break;
      case Ls: l = kSide; break;
      case Rs: r = kSide; break;
      case Lfe: break;
    }
  }
  float sum = 0.0f;
  for (float x : w.left) sum += x;
  if (sum > 0.0f)
    for (size_t i = 0; i < w.left.size(); ++i) {
      w.left[i] /= sum;
      w.right[i] /= sum;
    }
  return w;
}

} // namespace stereofold

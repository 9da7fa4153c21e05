#pragma once
// Scaling interleaved stereo frames in place, in any of the decoders'
// encodings: the software volume (for outputs that have none of their own)
// and the short fades at a pause, a stop or a move, so that the sound never
// jumps.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/AudioDecoder.h"

namespace AudioSamples {

// Multiplies sample i of channel c by gain(i, c) (0..1).
template <typename Gain>
void Scale(void* data, size_t frames, SampleEncoding encoding, Gain gain) {
  auto* bytes = static_cast<unsigned char*>(data);
  for (size_t i = 0; i < frames; ++i) {
    for (size_t c = 0; c < 2; ++c) {
      const double g = gain(i, c);
      switch (encoding) {
        case SampleEncoding::S16: {
          int16_t s;
          std::memcpy(&s, bytes, 2);
          s = static_cast<int16_t>(s * g);
          std::memcpy(bytes, &s, 2);
          bytes += 2;
          break;
        }
        case SampleEncoding::S32: {
          int32_t s;
          std::memcpy(&s, bytes, 4);
          s = static_cast<int32_t>(s * g);
          std::memcpy(bytes, &s, 4);
          bytes += 4;
          break;
        }
        case SampleEncoding::F32: {
          float s;
          std::memcpy(&s, bytes, 4);
          s = static_cast<float>(s * g);
          std::memcpy(bytes, &s, 4);
          bytes += 4;
          break;
        }
      }
    }
  }
}

// A straight ramp over `frames` frames: from silence up (fadeIn) or down to it.
inline void Fade(void* data, size_t frames, SampleEncoding encoding, bool fadeIn) {
  if (frames == 0) return;
  Scale(data, frames, encoding, [frames, fadeIn](size_t i, size_t) {
    const double t = static_cast<double>(i + 1) / static_cast<double>(frames + 1);
    return fadeIn ? t : 1.0 - t;
  });
}

// The wave-out volume (low 16 bits left, high 16 bits right).
inline void ApplyVolume(void* data, size_t frames, SampleEncoding encoding, uint32_t volume) {
  if (volume == 0xFFFFFFFFu) return;
  const double left = (volume & 0xFFFFu) / 65535.0, right = (volume >> 16) / 65535.0;
  Scale(data, frames, encoding, [left, right](size_t, size_t c) { return c == 0 ? left : right; });
}

} // namespace AudioSamples

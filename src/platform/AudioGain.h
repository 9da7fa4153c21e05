#pragma once
// The gain the audio output applies to every sample, in the wave-out volume
// format: low 16 bits left, high 16 bits right, 0..65535 each (65535 = as
// decoded). The volume control writes it, the audio thread reads it on every
// buffer, so it is a plain atomic shared by both.
#include <atomic>
#include <cstdint>
#include <memory>

struct AudioGain {
  static constexpr uint32_t kFull = 0xFFFFFFFFu;
  std::atomic<uint32_t> volume{kFull};
};

using SharedAudioGain = std::shared_ptr<AudioGain>;

// Scales interleaved stereo 16-bit frames in place by a wave-out volume value.
inline void ApplyAudioGain(int16_t* frames, size_t count, uint32_t volume) noexcept {
  if (volume == AudioGain::kFull) return;
  const int32_t left = static_cast<int32_t>(volume & 0xFFFFu);
  const int32_t right = static_cast<int32_t>(volume >> 16);
  for (size_t i = 0; i < count; ++i) {
    // |sample| <= 32768 and gain <= 65535: the product fits in 32 bits.
    frames[2 * i] = static_cast<int16_t>(frames[2 * i] * left / 65535);
    frames[2 * i + 1] = static_cast<int16_t>(frames[2 * i + 1] * right / 65535);
  }
}

#pragma once
// The wave-out volume shared between the volume control and the media
// device, in the wave-out volume format: low 16 bits left, high 16 bits
// right, 0..65535 each (65535 = as decoded). The device starts at it.
#include <atomic>
#include <cstdint>
#include <memory>

struct AudioGain {
  static constexpr uint32_t kFull = 0xFFFFFFFFu;
  std::atomic<uint32_t> volume{kFull};
};

using SharedAudioGain = std::shared_ptr<AudioGain>;

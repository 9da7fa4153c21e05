#pragma once
// The wave-out volume of the player's own audio output: low 16 bits left,
// high 16 bits right, 0..65535 each. It outlives the process, like a mixer
// setting.
#include <cstdint>

class WaveOutVolume {
public:
  virtual ~WaveOutVolume() = default;
  // False when the volume cannot be read.
  virtual bool GetVolume(uint32_t& volume) = 0;
  // Result not examined by the caller.
  virtual bool SetVolume(uint32_t volume) = 0;
};

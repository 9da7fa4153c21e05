#pragma once
// The wave-out volume kept in memory; `Readable` false makes reads fail.
#include <cstdint>
#include <vector>

#include "platform/WaveOutVolume.h"

class MemoryWaveOutVolume : public WaveOutVolume {
public:
  uint32_t Value = 0xFFFFFFFFu;
  bool Readable = true;
  std::vector<uint32_t> Sets;
  bool GetVolume(uint32_t& v) override {
    if (!Readable) return false;
    v = Value;
    return true;
  }
  bool SetVolume(uint32_t v) override {
    Value = v;
    Sets.push_back(v);
    return true;
  }
};

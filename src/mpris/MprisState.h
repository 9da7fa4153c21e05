#pragma once
// What the media controls show, as the window's thread last saw it: the bus
// thread answers from this copy and never reads the engine.
#include <QVariantMap>

#include <chrono>
#include <cstdint>

struct MprisState {
  using Clock = std::chrono::steady_clock;

  QVariantMap Player;       // the player properties, Position left out
  qlonglong PositionUs = 0;  // when it was taken
  qlonglong LengthUs = 0;    // 0: not known
  bool Advancing = false;    // playing: the position moves on with the clock
  Clock::time_point TakenAt{};
  uint64_t HandledThrough = 0;  // remote commands run before it was taken

  // The position at `now`: moved on by the time passed while playing, never
  // past the song's end.
  qlonglong PositionAt(Clock::time_point now) const {
    if (!Advancing || now <= TakenAt) return PositionUs;
    const qlonglong passed = std::chrono::duration_cast<std::chrono::microseconds>(now - TakenAt).count();
    const qlonglong moved = PositionUs + passed;
    return LengthUs > 0 && moved > LengthUs ? LengthUs : moved;
  }
};

#pragma once
// An output without sound for tests: it behaves like a sound server's
// stream, holding what is written and playing it out in real time at the
// format's rate, and keeps what it "played" so that a test can compare it
// with the decoder's own frames. Stretches where it ran dry while playing
// are kept as silence (zero frames), as is the time it was closed between
// two formats; corked time is not. A test can make it refuse to open, lose
// it, or change its volume from outside.
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/AudioOutput.h"

class SimulatedAudioOutput : public AudioOutput {
public:
  explicit SimulatedAudioOutput(int bufferMs = 250) : bufferMs_(bufferMs) {}

  void Open(const AudioFormat& format, uint32_t volume) override;
  void Close() override;
  bool IsOpen() const override;
  AudioFormat Format() const override;
  size_t WritableFrames() override;
  size_t Write(const void* data, size_t frames) override;
  int64_t HeldFrames() override;
  int64_t BufferFrames() override;
  void SetPaused(bool paused) override;
  int64_t Flush() override;
  void SetVolume(uint32_t waveOutVolume) override;
  void SetTitle(const std::string& title) override;
  std::string Name() const override { return "simulated output"; }

  // --- for tests (any thread) ---
  // The samples played so far (16-bit formats only), silence included.
  std::vector<int16_t> Heard();
  // The same without the silence: every frame written and played, in order.
  std::vector<int16_t> Played();
  // Frames played of silence because nothing was written while playing.
  int64_t DryFrames();
  bool Paused();
  uint32_t Volume();
  std::string Title();
  int Opens();
  // Opens fail with `reason` while it is not empty.
  void FailOpen(const std::string& reason);
  // The device goes away: the listener hears of it, writes are refused.
  void Lose(const std::string& reason);
  // The user turned the stream's volume in the mixer.
  void ChangeVolumeOutside(uint32_t waveOutVolume);

private:
  using Clock = std::chrono::steady_clock;
  // Plays out what is due by now. Caller holds mutex_.
  void AdvanceLocked();
  void AppendSilenceLocked(int64_t frames);

  const int bufferMs_;
  // mutex_ guards every field below (the player thread writes, tests read).
  mutable std::mutex mutex_;
  bool open_ = false;
  bool lost_ = false;
  bool paused_ = true;
  bool everPlayed_ = false;
  AudioFormat format_;
  uint32_t volume_ = 0xFFFFFFFFu;
  std::string title_;
  std::string openFailure_;
  int opens_ = 0;
  std::deque<uint8_t> held_;
  std::vector<int16_t> heard_;
  std::vector<int16_t> played_;
  int64_t dryFrames_ = 0;
  Clock::time_point last_;
  Clock::time_point closedAt_;
  double owedFrames_ = 0;  // frames due and not yet played, fractions kept
};

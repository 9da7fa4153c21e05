#pragma once
// The wave-out volume kept in a small file, like a mixer setting that
// outlives the program: $XDG_STATE_HOME/velmaris/volume (by default
// ~/.local/state/velmaris/volume) holds the 32-bit value as decimal digits.
// No file yet means full volume. Every value set goes at once to the shared
// gain that the audio output applies to the samples; the file follows on a
// writer thread of its own, at most once per write interval while the value
// keeps changing (a drag or a remote control sends hundreds of values), and
// the last value is written when the object goes (at close).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "platform/AudioGain.h"
#include "platform/WaveOutVolume.h"

class FileWaveOutVolume : public WaveOutVolume {
public:
  static constexpr std::chrono::milliseconds kDefaultWriteInterval{1000};

  // `path` empty: the default place. The stored value (when there is a
  // readable one) becomes the gain's value right away.
  explicit FileWaveOutVolume(SharedAudioGain gain = std::make_shared<AudioGain>(), std::string path = {},
                             std::chrono::milliseconds writeInterval = kDefaultWriteInterval);
  // Writes the value still waiting, if any.
  ~FileWaveOutVolume() override;

  // The value last set (before it reached the file), else the file's. False
  // when the file exists but cannot be read or holds no valid value.
  bool GetVolume(uint32_t& volume) override;
  // Sets the gain and hands the value to the writer; never waits on the disk.
  // False when the last write the writer did failed.
  bool SetVolume(uint32_t volume) override;
  // Writes the waiting value now and waits for it; false when it failed.
  bool Flush();

  const std::string& FilePath() const { return path_; }
  const SharedAudioGain& Gain() const { return gain_; }
  // How many times the file was written (for tests of the pacing).
  int WriteCount() const;

  static std::string DefaultPath();

private:
  enum class ReadResult { Missing, Value, Bad };
  ReadResult Read(uint32_t& volume) const;
  bool WriteFile(uint32_t volume) const;
  void WriterLoop();
  // Writes the pending value with `hold` held on entry and exit (unlocked
  // during the write itself).
  void WritePending(std::unique_lock<std::mutex>& hold);

  SharedAudioGain gain_;
  std::string path_;
  std::chrono::milliseconds interval_;

  // Guards everything below: the value waiting for the writer, the pacing,
  // the writer's results and its stop request.
  mutable std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable written_;
  bool haveSet_ = false;
  uint32_t lastSet_ = 0;
  bool pending_ = false;
  uint32_t pendingValue_ = 0;
  bool writing_ = false;
  bool haveWritten_ = false;
  uint32_t lastWritten_ = 0;
  bool lastWriteOk_ = true;
  int writes_ = 0;
  std::chrono::steady_clock::time_point lastWriteAt_{};
  bool stop_ = false;
  std::thread writer_;
};

// The output gain behind a wave-out volume: the FileWaveOutVolume's own, none
// for any other kind (the output then plays at full volume).
SharedAudioGain OutputGainOf(WaveOutVolume* volume);

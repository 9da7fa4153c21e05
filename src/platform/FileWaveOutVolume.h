#pragma once
// The wave-out volume kept in a small file, like a mixer setting that
// outlives the program: $XDG_STATE_HOME/velmaris/volume (by default
// ~/.local/state/velmaris/volume) holds the 32-bit value as decimal digits.
// No file yet means full volume. Every value set also goes at once to the
// shared gain that the audio output applies to the samples.
#include <cstdint>
#include <string>

#include "platform/AudioGain.h"
#include "platform/WaveOutVolume.h"

class FileWaveOutVolume : public WaveOutVolume {
public:
  // `path` empty: the default place. The stored value (when there is a
  // readable one) becomes the gain's value right away.
  explicit FileWaveOutVolume(SharedAudioGain gain = std::make_shared<AudioGain>(), std::string path = {});

  // False when the file exists but cannot be read or holds no valid value.
  bool GetVolume(uint32_t& volume) override;
  // Sets the gain, then writes the file (a temporary file renamed over the
  // old one). False when the file could not be written.
  bool SetVolume(uint32_t volume) override;

  const std::string& FilePath() const { return path_; }
  const SharedAudioGain& Gain() const { return gain_; }

  static std::string DefaultPath();

private:
  enum class ReadResult { Missing, Value, Bad };
  ReadResult Read(uint32_t& volume) const;

  SharedAudioGain gain_;
  std::string path_;
  bool haveWritten_ = false;
  uint32_t lastWritten_ = 0;
};

// The output gain behind a wave-out volume: the FileWaveOutVolume's own, none
// for any other kind (the output then plays at full volume).
SharedAudioGain OutputGainOf(WaveOutVolume* volume);

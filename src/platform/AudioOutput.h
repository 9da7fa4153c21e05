#pragma once
// Where decoded frames go: a PulseAudio stream, SDL2's device, or a
// simulated device for tests. The player thread is the only caller: it
// opens the output for a song's format, writes frames while there is room,
// corks it while paused and flushes it on a command. What the output has to
// tell (the server went away, it ran dry, the user changed the stream's
// volume in the desktop's mixer) goes to a listener, from whatever thread
// the output learns it on.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/AudioDecoder.h"

// An output that cannot open; what() is the output's reason.
class AudioOutputError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class AudioOutputListener {
public:
  virtual ~AudioOutputListener() = default;
  // The output can no longer play (the server quit, the device was
  // unplugged). The output stays unusable until closed and opened again.
  virtual void OutputLost(const std::string& reason) = 0;
  // There is room for more frames (a hint; the player may also poll).
  virtual void OutputWantsFrames() = 0;
  // Someone else set the stream's volume (0 while muted), in the wave-out
  // format: low 16 bits left, high 16 bits right.
  virtual void OutputVolumeChanged(uint32_t waveOutVolume) = 0;
};

class AudioOutput {
public:
  // The rate opened ahead of the first song (most MP3s use it).
  static constexpr int kLikelyRate = 44100;

  virtual ~AudioOutput() = default;

  void SetListener(AudioOutputListener* listener) { listener_ = listener; }

  // Opens (or keeps, when the format is the same) the output for `format`,
  // at `volume` (wave-out format), corked: nothing is heard before
  // SetPaused(false). May take up to the output's time limit; throws
  // AudioOutputError with the reason.
  virtual void Open(const AudioFormat& format, uint32_t volume) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  virtual AudioFormat Format() const = 0;

  // Frames Write takes now without waiting.
  virtual size_t WritableFrames() = 0;
  // Copies up to `frames` frames; returns how many it took.
  virtual size_t Write(const void* data, size_t frames) = 0;
  // Frames written and not heard yet.
  virtual int64_t HeldFrames() = 0;
  // Frames the output holds in all when full (what it asks to be given).
  virtual int64_t BufferFrames() = 0;
  // Corked: nothing plays, nothing is asked for, the sink may sleep.
  virtual void SetPaused(bool paused) = 0;
  // Forgets every frame written and not heard yet; returns how many it
  // forgot (so the caller knows exactly where the sound stopped).
  virtual int64_t Flush() = 0;
  // Plays what was written even when it is less than the output waits
  // for before it starts (the end of a song, a fade).
  virtual void Start() {}
  // The volume the stream plays at; the listener does not hear of it.
  virtual void SetVolume(uint32_t waveOutVolume) = 0;
  // The name the sound server shows for the stream (the song's caption).
  virtual void SetTitle(const std::string& title) { (void)title; }
  // Why the output is what it is, for messages ("PulseAudio", "SDL2").
  virtual std::string Name() const = 0;

protected:
  AudioOutputListener* listener_ = nullptr;
};

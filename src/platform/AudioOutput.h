#pragma once
// The sound card side of the media device: plays interleaved stereo 16-bit
// frames at the song's rate, asking a render function for every piece on an
// audio thread of its own. Two kinds exist: SDL2's callback output, and a
// PulseAudio stream (also served by PipeWire) that can hold a long buffer in
// the server, because it can drop that buffer again at once.
#include <cstdint>

class AudioOutput {
public:
  // Called on the audio thread: fill `frames` stereo frames at `out`.
  // It must not block, allocate or do file I/O.
  using RenderFn = void (*)(void* user, int16_t* out, int frames);

  // The rate opened ahead of the first song (most MP3s use it).
  static constexpr int kLikelyRate = 44100;

  virtual ~AudioOutput() = default;

  // A hint that the output will soon be opened at `rate`. An output that
  // can get ready meanwhile starts now, on a thread of its own (every other
  // call then waits for it); a failure there is forgotten, the next Open
  // tries again and reports it. (PreferredAudioOutput does this for both
  // kinds.)
  virtual void OpenInBackground(int rate) { (void)rate; }
  // Opens the output at `rate` (keeps the open one when the rate is the
  // same). Throws MediaDeviceError with the output's reason.
  virtual void Open(int rate) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() = 0;
  virtual int Rate() = 0;
  // Frames rendered per request (0 while closed).
  virtual int BufferFrames() = 0;

  // While locked the render function is not running and will not start.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;

  // Frames rendered that have not been heard yet (waiting in the output and
  // the server). Outputs that cannot tell say 0.
  virtual int64_t HeldFrames() = 0;
  // Throws away what is held, so that the next frame rendered is heard next.
  // Outputs that cannot do it let it play out.
  virtual void DiscardHeld() = 0;
  // True when the output applies the volume itself (the render function
  // then leaves the samples as decoded).
  virtual bool AppliesVolume() = 0;

  // All calls come from one thread (the one that made the output), except
  // that the render function runs on the audio thread.
};

#pragma once
// The sound card side of the media device: one SDL2 audio device playing
// interleaved stereo 16-bit frames at the song's rate. SDL's audio thread asks
// the render function for every buffer; it runs while the device is open
// (silence is the renderer's business).
#include <cstdint>
#include <string>

#include "platform/AudioOutput.h"

class SdlAudioOutput : public AudioOutput {
public:
  // The output buffer: the longest power of two frames that lasts at most
  // this long. Longer buffers let the sound server sleep longer; this one
  // still lets a command be heard within 100 ms (one buffer in SDL, at most
  // one more in the server).
  static constexpr int kBufferMs = 47;
  static int BufferFramesFor(int rate, int bufferMs = kBufferMs);
  // For measurements: a different buffer length for outputs opened from now
  // on (0: back to kBufferMs).
  static void SetBufferMsForMeasurement(int ms);

  SdlAudioOutput(RenderFn render, void* user);
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  // Opens the audio output at `rate` (keeps the open one when the rate is
  // the same). Throws MediaDeviceError with SDL's reason when no output is
  // available.
  void Open(int rate) override;
  void Close() override;
  bool IsOpen() override;
  int Rate() override;
  // Frames SDL asks for per callback.
  int BufferFrames() override;

  // While locked the render function is not running and will not start.
  void Lock() override;
  void Unlock() override;
  // SDL2 cannot tell what the sound server holds, nor drop it: at most one
  // buffer here and about one in the server play out after a command.
  int64_t HeldFrames() override { return 0; }
  void DiscardHeld() override {}
  bool AppliesVolume() override { return false; }

  // The calls above come one at a time (from the thread that opened the
  // output, or one that waited for it).

private:
  static void Callback(void* self, uint8_t* stream, int len);

  RenderFn render_;
  void* user_;
  bool sdlInitialised_ = false;
  uint32_t device_ = 0;
  int rate_ = 0;
  int bufferFrames_ = 0;
};

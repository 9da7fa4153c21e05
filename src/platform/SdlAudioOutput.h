#pragma once
// The sound card side of the media device: one SDL2 audio device playing
// interleaved stereo 16-bit frames at the song's rate. SDL's audio thread asks
// the render function for every buffer; it runs while the device is open
// (silence is the renderer's business).
#include <cstdint>
#include <string>

class SdlAudioOutput {
public:
  // Called on SDL's audio thread: fill `frames` stereo frames at `out`.
  // It must not block, allocate or do file I/O.
  using RenderFn = void (*)(void* user, int16_t* out, int frames);

  SdlAudioOutput(RenderFn render, void* user);
  ~SdlAudioOutput();
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  // Opens the audio output at `rate` (keeps the open one when the rate is
  // the same). Throws MediaDeviceError with SDL's reason when no output is
  // available.
  void Open(int rate);
  void Close();
  bool IsOpen() const { return device_ != 0; }
  int Rate() const { return rate_; }
  // Frames SDL asks for per callback.
  int BufferFrames() const { return bufferFrames_; }

  // While locked the render function is not running and will not start.
  void Lock();
  void Unlock();

private:
  static void Callback(void* self, uint8_t* stream, int len);

  RenderFn render_;
  void* user_;
  bool sdlInitialised_ = false;
  uint32_t device_ = 0;
  int rate_ = 0;
  int bufferFrames_ = 0;
};

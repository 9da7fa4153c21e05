#pragma once
// The sound card side of the media device: one SDL2 audio device playing
// interleaved stereo 16-bit frames at the song's rate. SDL's audio thread asks
// the render function for every buffer; it runs while the device is open
// (silence is the renderer's business).
#include <cstdint>
#include <string>
#include <thread>

class SdlAudioOutput {
public:
  // Called on SDL's audio thread: fill `frames` stereo frames at `out`.
  // It must not block, allocate or do file I/O.
  using RenderFn = void (*)(void* user, int16_t* out, int frames);

  // The output buffer: the longest power of two frames that lasts at most
  // this long. Longer buffers let the sound server sleep longer; this one
  // still lets a command be heard within 100 ms (one buffer in SDL, at most
  // one more in the server).
  static constexpr int kBufferMs = 47;
  // The rate opened ahead of the first song (most MP3s use it).
  static constexpr int kLikelyRate = 44100;
  static int BufferFramesFor(int rate, int bufferMs = kBufferMs);
  // For measurements: a different buffer length for outputs opened from now
  // on (0: back to kBufferMs).
  static void SetBufferMsForMeasurement(int ms);

  SdlAudioOutput(RenderFn render, void* user);
  ~SdlAudioOutput();
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  // Starts opening the output at `rate` on a thread of its own, so that the
  // sound server's stream is ready by the time the first song is. Every
  // other call waits for it. A failure there is forgotten: the next Open
  // tries again and reports it.
  void OpenInBackground(int rate);

  // Opens the audio output at `rate` (keeps the open one when the rate is
  // the same). Throws MediaDeviceError with SDL's reason when no output is
  // available.
  void Open(int rate);
  void Close();
  bool IsOpen();
  int Rate();
  // Frames SDL asks for per callback.
  int BufferFrames();

  // While locked the render function is not running and will not start.
  void Lock();
  void Unlock();

  // All calls above come from one thread (the one that made the output).

private:
  static void Callback(void* self, uint8_t* stream, int len);
  void OpenNow(int rate);
  void WaitForBackgroundOpen();

  RenderFn render_;
  void* user_;
  std::thread opener_;
  bool sdlInitialised_ = false;
  uint32_t device_ = 0;
  int rate_ = 0;
  int bufferFrames_ = 0;
};

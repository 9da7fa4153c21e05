#pragma once
// A PulseAudio playback stream (PipeWire serves the same protocol). The
// server holds a long buffer, so it wakes rarely while a song plays; what it
// holds is thrown away on a command (DiscardHeld), and the volume is the
// stream's own, so neither waits for that buffer to play out.
#include <cstdint>
#include <string>
#include <thread>

#include "platform/AudioGain.h"
#include "platform/AudioOutput.h"

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;

class PulseAudioOutput : public AudioOutput {
public:
  // What the server holds for us: long enough that it sleeps most of the
  // time, while the position (which counts what is heard) stays exact.
  static constexpr int kServerBufferMs = 250;
  // How much has to be free before the server asks for more.
  static constexpr int kRequestMs = 60;

  // `gain` is the volume to give the stream; none means full volume.
  PulseAudioOutput(RenderFn render, void* user, SharedAudioGain gain);
  ~PulseAudioOutput() override;
  PulseAudioOutput(const PulseAudioOutput&) = delete;
  PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

  // Connects to the server (without starting one). False, with the reason,
  // when there is no server to talk to.
  bool Connect(std::string* reason = nullptr);
  bool Connected() const { return context_ != nullptr; }

  void OpenInBackground(int rate) override;
  void Open(int rate) override;
  void Close() override;
  bool IsOpen() override;
  int Rate() override;
  int BufferFrames() override;
  void Lock() override;
  void Unlock() override;
  int64_t HeldFrames() override;
  void DiscardHeld() override;
  bool AppliesVolume() override { return true; }

private:
  static void OnContextState(pa_context* context, void* self);
  static void OnStreamState(pa_stream* stream, void* self);
  static void OnWrite(pa_stream* stream, size_t bytes, void* self);
  void OpenNow(int rate);
  void CloseStreamLocked();
  void ApplyVolumeLocked();
  void WaitForBackgroundOpen();
  void Disconnect();

  RenderFn render_;
  void* user_;
  SharedAudioGain gain_;
  std::thread opener_;
  pa_threaded_mainloop* mainloop_ = nullptr;
  pa_context* context_ = nullptr;
  pa_stream* stream_ = nullptr;
  int rate_ = 0;
  int requestFrames_ = 0;
  uint32_t appliedVolume_ = 0;
  bool volumeApplied_ = false;
};

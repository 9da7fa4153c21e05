#pragma once
// A PulseAudio playback stream (PipeWire serves the same protocol). The
// server holds a long buffer, so it wakes rarely while a song plays; what it
// holds is thrown away on a command (DiscardHeld), and the volume is the
// stream's own, so neither waits for that buffer to play out.
#include <cstdint>
#include <string>

#include "platform/AudioGain.h"
#include "platform/AudioOutput.h"
#include "platform/PulseStream.h"

struct pa_time_event;

class PulseAudioOutput : public AudioOutput {
public:
  // `gain` is the volume to give the stream; none means full volume.
  PulseAudioOutput(RenderFn render, void* user, SharedAudioGain gain);
  ~PulseAudioOutput() override;
  PulseAudioOutput(const PulseAudioOutput&) = delete;
  PulseAudioOutput& operator=(const PulseAudioOutput&) = delete;

  // Connects to the server (without starting one). False, with the reason,
  // when there is no server to talk to.
  bool Connect(std::string* reason = nullptr);

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
  static void OnWrite(pa_stream* stream, size_t bytes, void* self);
  void StartWritingLocked();
  void ApplyVolumeLocked();
  void StartVolumeWatchLocked();
  void StopVolumeWatch();

  RenderFn render_;
  void* user_;
  SharedAudioGain gain_;
  PulseHandles pulse_;
  int requestFrames_ = 0;
  uint32_t appliedVolume_ = 0;
  bool volumeApplied_ = false;
  pa_time_event* volumeWatch_ = nullptr;
};

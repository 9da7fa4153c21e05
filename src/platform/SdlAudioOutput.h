#pragma once
// SDL2's audio device (ALSA and the rest, or a sound server SDL finds),
// fed through SDL's own queue: the player thread queues frames, SDL's
// thread plays them. SDL has no volume of its own here, so the samples are
// scaled on their way in (a change is heard once the queue has played out).
#include <cstdint>
#include <string>

#include "platform/AudioOutput.h"

class SdlAudioOutput : public AudioOutput {
public:
  // What the queue holds at most.
  static constexpr int kQueueMs = 200;

  SdlAudioOutput() = default;
  ~SdlAudioOutput() override;
  SdlAudioOutput(const SdlAudioOutput&) = delete;
  SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

  void Open(const AudioFormat& format, uint32_t volume) override;
  void Close() override;
  bool IsOpen() const override { return device_ != 0; }
  AudioFormat Format() const override { return format_; }
  size_t WritableFrames() override;
  size_t Write(const void* data, size_t frames) override;
  int64_t HeldFrames() override;
  int64_t BufferFrames() override;
  void SetPaused(bool paused) override;
  int64_t Flush() override;
  void SetVolume(uint32_t waveOutVolume) override { volume_ = waveOutVolume; }
  std::string Name() const override { return "SDL2"; }

private:
  bool sdlInitialised_ = false;
  uint32_t device_ = 0;
  AudioFormat format_;
  uint32_t volume_ = 0xFFFFFFFFu;
  std::string scratch_;
};

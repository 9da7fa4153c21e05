#pragma once
// The output the player plays through, chosen when it opens: a PulseAudio
// stream when a PulseAudio or PipeWire server answers in time, SDL2's
// device otherwise, or when SDL_AUDIODRIVER names another driver than the
// server's (the user's choice, and the tests' disk driver). Each open asks
// again, so a server that comes back is used again. When neither opens,
// the reason says why for both.
#include <memory>

#include "platform/AudioOutput.h"

class PreferredAudioOutput : public AudioOutput, private AudioOutputListener {
public:
  PreferredAudioOutput() = default;
  ~PreferredAudioOutput() override;

  void Open(const AudioFormat& format, uint32_t volume) override;
  void Close() override;
  bool IsOpen() const override { return chosen_ && chosen_->IsOpen(); }
  AudioFormat Format() const override { return chosen_ ? chosen_->Format() : AudioFormat{}; }
  size_t WritableFrames() override { return chosen_ ? chosen_->WritableFrames() : 0; }
  size_t Write(const void* data, size_t frames) override { return chosen_ ? chosen_->Write(data, frames) : 0; }
  int64_t HeldFrames() override { return chosen_ ? chosen_->HeldFrames() : 0; }
  int64_t BufferFrames() override { return chosen_ ? chosen_->BufferFrames() : 0; }
  void SetPaused(bool paused) override {
    if (chosen_) chosen_->SetPaused(paused);
  }
  int64_t Flush() override { return chosen_ ? chosen_->Flush() : 0; }
  void Start() override {
    if (chosen_) chosen_->Start();
  }
  void SetVolume(uint32_t waveOutVolume) override {
    if (chosen_) chosen_->SetVolume(waveOutVolume);
  }
  void SetTitle(const std::string& title) override;
  std::string Name() const override { return chosen_ ? chosen_->Name() : "no output"; }

  // True when the server's stream is wanted (no other SDL driver named).
  static bool ServerWanted();

private:
  void OutputLost(const std::string& reason) override {
    if (listener_) listener_->OutputLost(reason);
  }
  void OutputWantsFrames() override {
    if (listener_) listener_->OutputWantsFrames();
  }
  void OutputVolumeChanged(uint32_t waveOutVolume) override {
    if (listener_) listener_->OutputVolumeChanged(waveOutVolume);
  }

  std::unique_ptr<AudioOutput> pulse_;
  std::unique_ptr<AudioOutput> sdl_;
  AudioOutput* chosen_ = nullptr;
  std::string title_;
};

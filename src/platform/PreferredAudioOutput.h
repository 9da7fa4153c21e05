#pragma once
// The output the media device plays through: a PulseAudio stream when a
// PulseAudio or PipeWire server answers, SDL2's output otherwise, or when
// SDL_AUDIODRIVER names another driver than the server's (the user's choice,
// and the tests' disk driver). The choice is made on the opening thread, so
// it costs the UI thread nothing.
#include <memory>
#include <thread>

#include "platform/AudioGain.h"
#include "platform/AudioOutput.h"

class PreferredAudioOutput : public AudioOutput {
public:
  PreferredAudioOutput(RenderFn render, void* user, SharedAudioGain gain);
  ~PreferredAudioOutput() override;
  PreferredAudioOutput(const PreferredAudioOutput&) = delete;
  PreferredAudioOutput& operator=(const PreferredAudioOutput&) = delete;

  void OpenInBackground(int rate) override;
  void Open(int rate) override { Chosen().Open(rate); }
  void Close() override { Chosen().Close(); }
  bool IsOpen() override { return Chosen().IsOpen(); }
  int Rate() override { return Chosen().Rate(); }
  int BufferFrames() override { return Chosen().BufferFrames(); }
  void Lock() override { Chosen().Lock(); }
  void Unlock() override { chosen_->Unlock(); }
  int64_t HeldFrames() override { return Chosen().HeldFrames(); }
  void DiscardHeld() override { Chosen().DiscardHeld(); }
  bool AppliesVolume() override { return Chosen().AppliesVolume(); }

private:
  AudioOutput& Chosen();
  void Choose();

  RenderFn render_;
  void* user_;
  SharedAudioGain gain_;
  std::thread chooser_;
  std::unique_ptr<AudioOutput> chosen_;
};

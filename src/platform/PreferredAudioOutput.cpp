#include "platform/PreferredAudioOutput.h"

#include "platform/MediaDevice.h"
#include "platform/PulseAudioOutput.h"
#include "platform/SdlAudioOutput.h"

PreferredAudioOutput::PreferredAudioOutput(RenderFn render, void* user, SharedAudioGain gain)
    : render_(render), user_(user), gain_(std::move(gain)) {}

PreferredAudioOutput::~PreferredAudioOutput() {
  if (chooser_.joinable()) chooser_.join();
  chosen_.reset();
}

void PreferredAudioOutput::Choose() {
  if (PulseStream::ServerWanted()) {
    auto pulse = std::make_unique<PulseAudioOutput>(render_, user_, gain_);
    if (pulse->Connect()) {
      chosen_ = std::move(pulse);
      return;
    }
  }
  chosen_ = std::make_unique<SdlAudioOutput>(render_, user_);
}

void PreferredAudioOutput::OpenInBackground(int rate) {
  if (chooser_.joinable() || chosen_) return;
  chooser_ = std::thread([this, rate] {
    Choose();
    try {
      chosen_->Open(rate);
    } catch (const MediaDeviceError&) {
      // Open reports it when a song needs the output.
    }
  });
}

AudioOutput& PreferredAudioOutput::Chosen() {
  if (chooser_.joinable()) chooser_.join();
  if (!chosen_) Choose();
  return *chosen_;
}

#include "platform/PreferredAudioOutput.h"

#include <atomic>

#include "platform/EarlyPulse.h"
#include "platform/MediaDevice.h"
#include "platform/PulseAudioOutput.h"
#include "platform/SdlAudioOutput.h"

PreferredAudioOutput::PreferredAudioOutput(RenderFn render, void* user, SharedAudioGain gain)
    : render_(render), user_(user), gain_(std::move(gain)) {}

PreferredAudioOutput::~PreferredAudioOutput() {
  if (chooser_.joinable()) chooser_.join();
  chosen_.reset();
}

namespace {

std::atomic<EarlyPulse*> offered{nullptr};

} // namespace

void OfferEarlyPulse(EarlyPulse* early) { offered.store(early); }

EarlyPulse* ClaimEarlyPulse() { return offered.exchange(nullptr); }

void PreferredAudioOutput::Choose() {
  if (PulseStream::ServerWanted()) {
    auto pulse = std::make_unique<PulseAudioOutput>(render_, user_, gain_);
    PulseHandles early;
    EarlyPulse* offer = ClaimEarlyPulse();
    if (offer && offer->Take(early)) {
      pulse->Adopt(early);
      chosen_ = std::move(pulse);
      return;
    }
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

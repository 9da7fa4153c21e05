#include "platform/PreferredAudioOutput.h"

#include <cstdlib>

#include "platform/PulseAudioOutput.h"
#include "platform/SdlAudioOutput.h"

PreferredAudioOutput::~PreferredAudioOutput() {
  chosen_ = nullptr;
  pulse_.reset();
  sdl_.reset();
}

bool PreferredAudioOutput::ServerWanted() {
  const char* driver = std::getenv("SDL_AUDIODRIVER");
  if (!driver || !*driver) return true;
  const std::string name = driver;
  return name == "pulseaudio" || name == "pulse" || name == "pipewire";
}

void PreferredAudioOutput::Open(const AudioFormat& format, uint32_t volume) {
  std::string serverReason;
  if (ServerWanted()) {
    if (!pulse_) {
      pulse_ = std::make_unique<PulseAudioOutput>();
      pulse_->SetListener(this);
    }
    try {
      pulse_->SetTitle(title_);
      pulse_->Open(format, volume);
      if (sdl_) sdl_->Close();
      chosen_ = pulse_.get();
      return;
    } catch (const AudioOutputError& e) {
      serverReason = e.what();
    }
  }
  if (!sdl_) {
    sdl_ = std::make_unique<SdlAudioOutput>();
    sdl_->SetListener(this);
  }
  try {
    sdl_->Open(format, volume);
    chosen_ = sdl_.get();
  } catch (const AudioOutputError& e) {
    chosen_ = nullptr;
    if (serverReason.empty()) throw;
    throw AudioOutputError("the sound server: " + serverReason + "; SDL2: " + e.what());
  }
}

void PreferredAudioOutput::Close() {
  if (chosen_) chosen_->Close();
}

void PreferredAudioOutput::SetTitle(const std::string& title) {
  title_ = title;
  if (chosen_) chosen_->SetTitle(title);
}

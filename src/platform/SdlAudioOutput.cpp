#include "platform/SdlAudioOutput.h"

#include <SDL.h>

#include "platform/AudioSamples.h"

namespace {

std::string SdlReason() {
  const char* text = SDL_GetError();
  return text && *text ? text : "Unknown error code";
}

SDL_AudioFormat SdlFormatOf(SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::S16: return AUDIO_S16SYS;
    case SampleEncoding::S32: return AUDIO_S32SYS;
    case SampleEncoding::F32: return AUDIO_F32SYS;
  }
  return AUDIO_S16SYS;
}

// SDL's own buffer: about 46 ms at 44.1 kHz.
constexpr Uint16 kDeviceFrames = 2048;

} // namespace

SdlAudioOutput::~SdlAudioOutput() {
  Close();
  if (sdlInitialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::Open(const AudioFormat& format, uint32_t volume) {
  volume_ = volume;
  if (device_ != 0 && format == format_) return;
  Close();
  if (!sdlInitialised_) {
    // The program's own loop handles SIGINT and SIGTERM; SDL must not take
    // them over (it would swallow a plain "kill").
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw AudioOutputError(SdlReason());
    sdlInitialised_ = true;
  }
  SDL_AudioSpec want{};
  want.freq = format.rate;
  want.format = SdlFormatOf(format.encoding);
  want.channels = 2;
  want.samples = kDeviceFrames;
  want.callback = nullptr;  // fed with SDL_QueueAudio
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the card wants.
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) throw AudioOutputError(SdlReason());
  device_ = id;
  format_ = format;
}

void SdlAudioOutput::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
}

int64_t SdlAudioOutput::BufferFrames() { return device_ ? static_cast<int64_t>(format_.rate) * kQueueMs / 1000 : 0; }

size_t SdlAudioOutput::WritableFrames() {
  const int64_t room = BufferFrames() - HeldFrames();
  return room > 0 ? static_cast<size_t>(room) : 0;
}

size_t SdlAudioOutput::Write(const void* data, size_t frames) {
  if (device_ == 0 || frames == 0) return 0;
  const size_t bytes = frames * static_cast<size_t>(format_.BytesPerFrame());
  scratch_.assign(static_cast<const char*>(data), bytes);
  AudioSamples::ApplyVolume(scratch_.data(), frames, format_.encoding, volume_);
  if (SDL_QueueAudio(device_, scratch_.data(), static_cast<Uint32>(bytes)) != 0) return 0;
  return frames;
}

int64_t SdlAudioOutput::HeldFrames() {
  if (device_ == 0) return 0;
  return static_cast<int64_t>(SDL_GetQueuedAudioSize(device_)) / format_.BytesPerFrame();
}

void SdlAudioOutput::SetPaused(bool paused) {
  if (device_ != 0) SDL_PauseAudioDevice(device_, paused ? 1 : 0);
}

int64_t SdlAudioOutput::Flush() {
  if (device_ == 0) return 0;
  SDL_LockAudioDevice(device_);
  const int64_t dropped = HeldFrames();
  SDL_ClearQueuedAudio(device_);
  SDL_UnlockAudioDevice(device_);
  return dropped;
}

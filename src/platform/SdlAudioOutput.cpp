#include "platform/SdlAudioOutput.h"

#include <SDL.h>

#include <atomic>

#include "platform/MediaDevice.h"

namespace {

[[noreturn]] void ThrowSdlError() {
  const char* text = SDL_GetError();
  throw MediaDeviceError(text && *text ? text : "Unknown error code");
}

std::atomic<int> bufferMsOverride{0};

} // namespace

int SdlAudioOutput::BufferFramesFor(int rate, int bufferMs) {
  int frames = 256;
  while (static_cast<int64_t>(frames) * 2 * 1000 <= static_cast<int64_t>(rate) * bufferMs) frames <<= 1;
  return frames;
}

void SdlAudioOutput::SetBufferMsForMeasurement(int ms) { bufferMsOverride.store(ms); }

SdlAudioOutput::SdlAudioOutput(RenderFn render, void* user) : render_(render), user_(user) {}

SdlAudioOutput::~SdlAudioOutput() {
  Close();
  if (sdlInitialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::Open(int rate) {
  if (device_ != 0 && rate == rate_) return;
  if (device_ != 0) {
    SDL_CloseAudioDevice(device_);
    device_ = 0;
  }
  if (!sdlInitialised_) {
    // The program's own loop handles SIGINT and SIGTERM; SDL must not take
    // them over (it would swallow a plain "kill").
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) ThrowSdlError();
    sdlInitialised_ = true;
  }
  const int overrideMs = bufferMsOverride.load();
  SDL_AudioSpec want{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(BufferFramesFor(rate, overrideMs > 0 ? overrideMs : kBufferMs));
  want.callback = &SdlAudioOutput::Callback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the card wants, the callback
  // always sees stereo 16-bit frames at the song's rate.
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (id == 0) ThrowSdlError();
  device_ = id;
  rate_ = rate;
  bufferFrames_ = have.samples;
  SDL_PauseAudioDevice(id, 0);
}

void SdlAudioOutput::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  rate_ = 0;
  bufferFrames_ = 0;
}

bool SdlAudioOutput::IsOpen() {
  return device_ != 0;
}

int SdlAudioOutput::Rate() {
  return rate_;
}

int SdlAudioOutput::BufferFrames() {
  return bufferFrames_;
}

void SdlAudioOutput::Lock() {
  if (device_ != 0) SDL_LockAudioDevice(device_);
}

void SdlAudioOutput::Unlock() {
  if (device_ != 0) SDL_UnlockAudioDevice(device_);
}

void SdlAudioOutput::Callback(void* self, uint8_t* stream, int len) {
  auto* out = static_cast<SdlAudioOutput*>(self);
  out->render_(out->user_, reinterpret_cast<int16_t*>(stream), len / 4);
}

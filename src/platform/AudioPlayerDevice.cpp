#include "platform/AudioPlayerDevice.h"

#include <QMetaObject>
#include <QObject>

#include "platform/PreferredAudioOutput.h"

AudioPlayerDevice::AudioPlayerDevice(SharedAudioGain gain, std::unique_ptr<AudioOutput> output)
    : notifier_(std::make_unique<QObject>()) {
  if (!output) output = std::make_unique<PreferredAudioOutput>();
  const uint32_t volume = gain ? gain->volume.load() : AudioGain::kFull;
  player_ = std::make_unique<AudioPlayer>(
      std::move(output), [this](const MediaEvent& event, uint64_t load) { Post(event, load); }, volume);
}

AudioPlayerDevice::~AudioPlayerDevice() { player_.reset(); }

void AudioPlayerDevice::Post(const MediaEvent& event, uint64_t load) {
  std::lock_guard<std::mutex> lock(eventsMutex_);
  events_.emplace_back(event, load);
  if (posted_) return;
  posted_ = true;
  QMetaObject::invokeMethod(notifier_.get(), [this] { DeliverEvents(); }, Qt::QueuedConnection);
}

void AudioPlayerDevice::DeliverEvents() {
  for (;;) {
    std::pair<MediaEvent, uint64_t> next;
    {
      std::lock_guard<std::mutex> lock(eventsMutex_);
      if (events_.empty()) {
        posted_ = false;
        return;
      }
      next = std::move(events_.front());
      events_.pop_front();
      // What happened to a song opened before the open one no longer matters.
      if (next.second != 0 && next.second != load_) continue;
    }
    Announce(next.first);
  }
}

AudioPlayer::State AudioPlayerDevice::OpenState() const {
  AudioPlayer::State state = player_->Now();
  if (!state.open) throw MediaDeviceError(kNoDeviceOpen);
  return state;
}

void AudioPlayerDevice::Open(const std::string& path) {
  std::unique_ptr<AudioDecoder> decoder = player_->TakePrepared(path);
  if (!decoder) {
    try {
      decoder = OpenAudioDecoder(path);
    } catch (const AudioDecoderError& e) {
      player_->Unload();
      throw MediaDeviceError(e.what());
    }
  }
  const uint64_t load = player_->Load(std::move(decoder), path);
  std::lock_guard<std::mutex> lock(eventsMutex_);
  load_ = load;
}

void AudioPlayerDevice::Close() { player_->Unload(); }

void AudioPlayerDevice::Play() {
  OpenState();
  player_->Play();
}

void AudioPlayerDevice::Pause() {
  OpenState();
  player_->Pause();
}

void AudioPlayerDevice::Resume() {
  OpenState();
  player_->Resume();
}

void AudioPlayerDevice::Stop() {
  OpenState();
  player_->Stop();
}

void AudioPlayerDevice::SetPosition(int64_t ms) {
  const AudioPlayer::State state = OpenState();
  int64_t frame = ms <= 0 ? 0 : ms * state.rate / 1000;
  // Rounded up, so that the position read back is the one just set.
  if (ms > 0 && frame * 1000 / state.rate < ms) ++frame;
  player_->MoveTo(frame);
}

TMPModes AudioPlayerDevice::Mode() const { return OpenState().mode; }

MediaDevice::Times AudioPlayerDevice::PositionAndLength() const {
  const AudioPlayer::State state = OpenState();
  if (state.rate <= 0) return {};
  Times times{state.position * 1000 / state.rate, state.length * 1000 / state.rate};
  // A playing song has not ended, however late the player thread is to see
  // the next song take over: a position at the length would read as the end
  // (and move on to another line, or start this one again).
  if (state.mode == TMPModes::mpPlaying && times.length > 0 && times.position >= times.length)
    times.position = times.length - 1;
  return times;
}

bool AudioPlayerDevice::QueueNext(const std::string& path, std::string* reason) {
  if (!player_->Now().open) {
    if (reason) *reason = kNoDeviceOpen;
    return false;
  }
  std::unique_ptr<AudioDecoder> decoder;
  try {
    decoder = OpenAudioDecoder(path);
  } catch (const AudioDecoderError& e) {
    if (reason) *reason = e.what();
    return false;
  }
  return player_->Queue(std::move(decoder), path, reason);
}

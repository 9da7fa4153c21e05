#include "platform/AudioPlayer.h"

#include <algorithm>
#include <utility>


namespace {

using Clock = std::chrono::steady_clock;

} // namespace

AudioPlayer::AudioPlayer(std::unique_ptr<AudioOutput> output, EventSink sink, uint32_t volume)
    : sink_(std::move(sink)), volume_(volume), output_(std::move(output)),
      buffer_(kChunkFrames * kMaxBytesPerFrame) {
  output_->SetListener(this);
  thread_ = std::thread(&AudioPlayer::Run, this);
}

AudioPlayer::~AudioPlayer() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  thread_.join();
  for (std::thread& scan : scans_) scan.join();
}

// ---- commands ----

void AudioPlayer::ChangeLocked(bool dropQueued) {
  ++epoch_;
  if (dropQueued && (!queuedPath_.empty() || mailQueued_)) {
    mailQueued_.reset();
    mailQueueChanged_ = true;
    queuedPath_.clear();
  }
  wake_.notify_all();
}

std::unique_ptr<AudioPlayer::Song> AudioPlayer::MakeSong(std::unique_ptr<AudioDecoder> decoder,
                                                          const std::string& path) {
  auto song = std::make_unique<Song>();
  song->format = decoder->Format();
  song->path = path;
  const int64_t length = decoder->LengthFrames();
  const int64_t guess = decoder->EstimatedLengthFrames();
  song->decoder = std::shared_ptr<AudioDecoder>(std::move(decoder));
  std::lock_guard<std::mutex> lock(mutex_);
  song->serial = nextSerial_++;
  lengths_[song->serial] = length >= 0 ? length : guess;
  if (length < 0) {
    // The exact length of a file without an info frame takes a read of the
    // whole file: beside the player thread, on a handle of its own, so the
    // sound never waits for it.
    scans_.emplace_back([this, decoder = song->decoder, serial = song->serial] {
      int64_t scanned = -1;
      try {
        scanned = decoder->ScanLength();
      } catch (const AudioDecoderError&) {
        return;  // the guess stays until the song's end corrects it
      }
      std::lock_guard<std::mutex> scanLock(mutex_);
      auto it = lengths_.find(serial);
      if (it != lengths_.end() && scanned >= 0) it->second = scanned;
    });
  }
  return song;
}

uint64_t AudioPlayer::Load(std::unique_ptr<AudioDecoder> decoder, const std::string& path) {
  std::unique_ptr<Song> song = MakeSong(std::move(decoder), path);
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto it = lengths_.begin(); it != lengths_.end();) it = it->first == song->serial ? std::next(it) : lengths_.erase(it);
  open_ = true;
  path_ = path;
  rate_ = song->format.rate;
  shownSerial_ = song->serial;
  mode_ = TMPModes::mpStopped;
  rest_ = 0;
  restFromHeard_ = false;
  mailSong_ = std::move(song);
  mailUnload_ = false;
  ChangeLocked(true);
  return ++loads_;
}

void AudioPlayer::Unload() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  open_ = false;
  mode_ = TMPModes::mpNotReady;
  mailSong_.reset();
  mailUnload_ = true;
  ++loads_;
  ChangeLocked(true);
}

void AudioPlayer::Play() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || mode_ == TMPModes::mpPlaying) return;  // a running play goes on
  const int64_t length = lengths_[shownSerial_];
  const bool atEnd = length > 0 && PositionLocked() >= length;
  if (atEnd) {
    rest_ = 0;
    restFromHeard_ = false;
  }
  mode_ = TMPModes::mpPlaying;
  ChangeLocked(atEnd);
}

void AudioPlayer::Pause() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || mode_ != TMPModes::mpPlaying) return;
  rest_ = PositionLocked();
  restFromHeard_ = true;
  mode_ = TMPModes::mpPaused;
  ChangeLocked(false);
}

void AudioPlayer::Resume() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || mode_ != TMPModes::mpPaused) return;
  mode_ = TMPModes::mpPlaying;
  ChangeLocked(false);
}

void AudioPlayer::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  if (mode_ == TMPModes::mpPlaying) {
    rest_ = PositionLocked();
    restFromHeard_ = true;
  }
  mode_ = TMPModes::mpStopped;
  ChangeLocked(true);
}

void AudioPlayer::MoveTo(int64_t frame) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  const int64_t length = lengths_[shownSerial_];
  rest_ = std::clamp<int64_t>(frame, 0, std::max<int64_t>(length, 0));
  restFromHeard_ = false;
  mode_ = TMPModes::mpStopped;
  ChangeLocked(true);
}

bool AudioPlayer::Queue(std::unique_ptr<AudioDecoder> decoder, const std::string& path, std::string* reason) {
  const auto refuse = [reason](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_) return refuse(kNoDeviceOpen);
  }
  std::unique_ptr<Song> song = MakeSong(std::move(decoder), path);
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return refuse(kNoDeviceOpen);
  const int64_t length = lengths_[shownSerial_];
  if (mode_ != TMPModes::mpPlaying && length > 0 && rest_ >= length) return refuse("The song has already ended");
  mailQueued_ = std::move(song);
  mailQueueChanged_ = true;
  queuedPath_ = path;
  wake_.notify_all();
  return true;
}

void AudioPlayer::DropQueued() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queuedPath_.empty() && !mailQueued_) return;
  mailQueued_.reset();
  mailQueueChanged_ = true;
  queuedPath_.clear();
  wake_.notify_all();
}

void AudioPlayer::SetVolume(uint32_t waveOutVolume) {
  std::lock_guard<std::mutex> lock(mutex_);
  volume_ = waveOutVolume;
  // A flood of settings wakes the thread once: a change it has not taken yet
  // is taken with the newest value.
  if (std::exchange(volumeChanged_, true)) return;
  wake_.notify_all();
}

void AudioPlayer::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = title;
  titleChanged_ = true;
  wake_.notify_all();
}

void AudioPlayer::Prepare(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  preparePath_ = path;
  wake_.notify_all();
}

void AudioPlayer::PrepareOutput() {
  std::lock_guard<std::mutex> lock(mutex_);
  prepareOutput_ = true;
  wake_.notify_all();
}

std::unique_ptr<AudioDecoder> AudioPlayer::TakePrepared(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (preparedPath_ != path) return nullptr;
  preparedPath_.clear();
  return std::move(prepared_);
}

int64_t AudioPlayer::PositionLocked() const {
  if (mode_ != TMPModes::mpPlaying || epoch_ != seenEpoch_) return rest_;
  const double elapsed = std::chrono::duration<double>(Clock::now() - clockAt_).count();
  const int64_t at = clockFrame_ + static_cast<int64_t>(elapsed * rate_);
  return std::min(at, clockCap_);
}

AudioPlayer::State AudioPlayer::Now() const {
  std::lock_guard<std::mutex> lock(mutex_);
  State s;
  s.open = open_;
  if (!open_) return s;
  s.mode = mode_;
  const auto it = lengths_.find(shownSerial_);
  s.length = it != lengths_.end() ? it->second : 0;
  s.position = PositionLocked();
  if (s.length > 0) s.position = std::min(s.position, s.length);
  s.rate = rate_;
  s.queued = queuedPath_;
  return s;
}

// ---- what outputs tell ----

void AudioPlayer::OutputLost(const std::string& reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  lost_ = true;
  lostReason_ = reason;
  wake_.notify_all();
}

void AudioPlayer::OutputWantsFrames() { wake_.notify_all(); }

void AudioPlayer::OutputVolumeChanged(uint32_t waveOutVolume) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    volume_ = waveOutVolume;
  }
  MediaEvent event;
  event.kind = MediaEvent::Kind::VolumeChangedOutside;
  event.volume = waveOutVolume;
  sink_(event, 0);
}

// ---- the player thread's mailbox ----

bool AudioPlayer::PendingLocked() const {
  return quit_ || epoch_ != seenEpoch_ || mailQueueChanged_ || volumeChanged_ || titleChanged_ || lost_ ||
         !preparePath_.empty() || prepareOutput_;
}

AudioPlayer::Mail AudioPlayer::TakeMailLocked() {
  Mail mail;
  mail.song = std::move(mailSong_);
  mail.unload = std::exchange(mailUnload_, false);
  mail.load = loads_;
  mail.queueChanged = std::exchange(mailQueueChanged_, false);
  mail.queued = std::move(mailQueued_);
  mail.volumeChanged = std::exchange(volumeChanged_, false);
  mail.volume = volume_;
  mail.titleChanged = std::exchange(titleChanged_, false);
  mail.title = title_;
  mail.lost = std::exchange(lost_, false);
  mail.lostReason = lostReason_;
  mail.prepare = std::exchange(preparePath_, {});
  mail.prepareOutput = std::exchange(prepareOutput_, false);
  mail.changed = epoch_ != seenEpoch_;
  mail.epoch = epoch_;
  mail.mode = mode_;
  mail.rest = rest_;
  mail.restFromHeard = restFromHeard_;
  return mail;
}

void AudioPlayer::Run() {
  for (;;) {
    const int waitMs = WaitMs();
    Mail mail;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      const auto pending = [this] { return PendingLocked(); };
      if (waitMs < 0) wake_.wait(lock, pending);
      else wake_.wait_for(lock, std::chrono::milliseconds(waitMs), pending);
      if (quit_) break;
      mail = TakeMailLocked();
    }
    Act(mail);
  }
  cur_.reset();
  next_.reset();
  output_->Close();
  output_.reset();
}

void AudioPlayer::Act(Mail& mail) {
  if (mail.lost) HandleLoss(mail);
  if (mail.volumeChanged && output_->IsOpen()) output_->SetVolume(mail.volume);
  if (mail.titleChanged) output_->SetTitle(mail.title);
  if (!mail.prepare.empty()) Prepare(mail);
  if (mail.prepareOutput) OpenOutputAhead(AudioFormat{AudioOutput::kLikelyRate}, mail.volume);
  // A change of song that is audible already comes before the commands.
  if (playing_) FollowClock(mail.epoch);
  if (mail.song || mail.unload) {
    if (playing_) EndSound();
    cur_ = std::move(mail.song);
    next_.reset();
    nextStartAt_ = -1;
    formatChangeDue_ = false;
    curLoad_ = mail.load;
  }
  if (mail.queueChanged) {
    Unqueue();
    next_ = std::move(mail.queued);
  }
  if (mail.changed) {
    Reconcile(mail);
    std::lock_guard<std::mutex> lock(mutex_);
    seenEpoch_ = mail.epoch;
  }
  if (playing_) {
    Fill();
    FollowClock(mail.epoch);
  }
  if (corkDue_ && output_->HeldFrames() <= 0) {
    output_->SetPaused(true);
    corkDue_ = false;
  }
}

void AudioPlayer::HandleLoss(const Mail& mail) {
  output_->Close();
  corkDue_ = false;
  const bool sounding = playing_ || mail.mode == TMPModes::mpPlaying || mail.mode == TMPModes::mpPaused;
  if (!sounding) return;
  int64_t at = mail.rest;
  if (playing_) {
    std::lock_guard<std::mutex> lock(mutex_);
    at = PositionLocked();
  }
  playing_ = false;
  written_ = 0;
  nextStartAt_ = -1;
  formatChangeDue_ = false;
  Settle(mail.epoch, TMPModes::mpStopped, &at);
  lostShown_ = true;
  MediaEvent event;
  event.kind = MediaEvent::Kind::OutputLost;
  event.path = cur_ ? cur_->path : std::string();
  event.text = mail.lostReason;
  Emit(event);
}

void AudioPlayer::Prepare(const Mail& mail) {
  std::unique_ptr<AudioDecoder> decoder;
  try {
    decoder = OpenAudioDecoder(mail.prepare);
  } catch (const AudioDecoderError&) {
    return;  // Open tries again and says why
  }
  const AudioFormat format = decoder->Format();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    prepared_ = std::move(decoder);
    preparedPath_ = mail.prepare;
  }
  OpenOutputAhead(format, mail.volume);
}

void AudioPlayer::OpenOutputAhead(const AudioFormat& format, uint32_t volume) {
  // The connection to the sound server is made now, corked.
  if (output_->IsOpen()) return;
  try {
    output_->Open(format, volume);
  } catch (const AudioOutputError&) {
    // The first play tries again and says why.
  }
}


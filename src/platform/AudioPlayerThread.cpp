// The player thread's half of AudioPlayer: it takes what the commands left,
// makes the output sound accordingly, follows the clock through song
// changes and ends, and tells what happened.
#include "platform/AudioPlayer.h"

#include <algorithm>
#include <utility>

#include "platform/AudioSamples.h"

namespace {

using Clock = std::chrono::steady_clock;

// The fade at a pause, a stop or a move, and back in at the next play.
constexpr int kFadeMs = 5;
// How far the heard frame may be from its guess for the fade to be ready.
constexpr int kFadeSlackMs = 20;
// The longest the thread sleeps while it plays (it also wakes for every
// command, and in time for each song change and end it knows of).
constexpr int kLongestNapMs = 500;

int64_t FadeFrames(int rate) { return static_cast<int64_t>(rate) * kFadeMs / 1000; }

int64_t MsOf(int64_t frames, int rate) { return rate > 0 ? frames * 1000 / rate : 0; }

} // namespace

void AudioPlayer::Unqueue() {
  if (!next_) return;
  if (playing_ && nextStartAt_ >= 0) {
    // Its first frames are in the output already: the open song goes on
    // from the frame heard now, without them.
    const int64_t dropped = output_->Flush();
    const int64_t heard = std::max<int64_t>(0, written_ - dropped);
    const int64_t at = CurrentFrameAt(heard);
    written_ = 0;
    curStartAt_ = 0;
    curStartFrame_ = at;
    try {
      cur_->decoder->Seek(at);
      cur_->written = at;
      cur_->ended = false;
    } catch (const AudioDecoderError&) {
      cur_->ended = true;
    }
  }
  next_.reset();
  nextStartAt_ = -1;
  formatChangeDue_ = false;
}

void AudioPlayer::Reconcile(const Mail& mail) {
  int64_t rest = mail.rest;
  if (playing_) {
    const int64_t heard = EndSound();
    if (mail.restFromHeard && !mail.song && !mail.unload) {
      rest = heard;
      std::lock_guard<std::mutex> lock(mutex_);
      if (epoch_ == mail.epoch) {
        rest_ = heard;
        restFromHeard_ = false;
      }
    }
  }
  if (mail.mode == TMPModes::mpPlaying && cur_) StartSound(rest, mail.epoch);
}

int64_t AudioPlayer::CurrentFrameAt(int64_t heard) const {
  if (!cur_) return 0;
  const int64_t at = curStartFrame_ + std::max<int64_t>(0, heard - curStartAt_);
  return std::min(at, cur_->written);
}

// Stops the sound where it is heard now, with a short fade instead of a
// cut; returns the song frame the next play starts from. The frames around
// the estimated spot are decoded before the output is flushed, so the fade
// follows the last frame heard without a gap.
int64_t AudioPlayer::EndSound() {
  playing_ = false;
  const bool canFade = cur_ && output_->IsOpen();
  const AudioFormat format = cur_ ? cur_->format : AudioFormat{};
  const int64_t fade = FadeFrames(format.rate);
  const int64_t slack = static_cast<int64_t>(format.rate) * kFadeSlackMs / 1000;
  int64_t prefetchFrom = 0, prefetched = 0;
  if (canFade) {
    const int64_t guess = CurrentFrameAt(std::max<int64_t>(0, written_ - output_->HeldFrames()));
    prefetchFrom = std::max<int64_t>(0, guess - slack);
    const size_t want = std::min(static_cast<size_t>(2 * slack + fade), kChunkFrames);
    try {
      cur_->decoder->Seek(prefetchFrom);
      prefetched = static_cast<int64_t>(cur_->decoder->Read(buffer_.data(), want));
    } catch (const AudioDecoderError&) {
      prefetched = 0;
    }
  }
  const int64_t dropped = output_->Flush();
  const int64_t heard = std::max<int64_t>(0, written_ - dropped);
  int64_t at = CurrentFrameAt(heard);
  written_ = 0;
  if (next_) {
    next_->written = 0;
    next_->ended = false;
    if (nextStartAt_ >= 0) {
      try {
        next_->decoder->Seek(0);
      } catch (const AudioDecoderError&) {
        next_->ended = true;
      }
    }
  }
  nextStartAt_ = -1;
  formatChangeDue_ = false;
  fadeInLeft_ = 0;
  if (!canFade) return at;
  const size_t bytesPerFrame = static_cast<size_t>(format.BytesPerFrame());
  try {
    unsigned char* frames = nullptr;
    int64_t count = 0;
    if (at >= prefetchFrom && at < prefetchFrom + prefetched) {
      frames = buffer_.data() + static_cast<size_t>(at - prefetchFrom) * bytesPerFrame;
      count = std::min(fade, prefetchFrom + prefetched - at);
    } else {
      // The guess was off: decode the fade now (a moment of silence first).
      cur_->decoder->Seek(at);
      count = static_cast<int64_t>(cur_->decoder->Read(buffer_.data(), static_cast<size_t>(fade)));
      frames = buffer_.data();
    }
    AudioSamples::Fade(frames, static_cast<size_t>(count), format.encoding, false);
    written_ = static_cast<int64_t>(output_->Write(frames, static_cast<size_t>(count)));
    at += count;
    cur_->decoder->Seek(at);
    cur_->ended = false;
  } catch (const AudioDecoderError&) {
    cur_->ended = true;
  }
  cur_->written = at;
  output_->Start();
  corkDue_ = true;
  return at;
}

bool AudioPlayer::EnsureOutput(const AudioFormat& format, uint64_t epoch) {
  if (output_->IsOpen() && output_->Format() == format) return true;
  uint32_t volume = 0;
  std::string title;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    volume = volume_;
    title = title_;
  }
  try {
    output_->Open(format, volume);
  } catch (const AudioOutputError& e) {
    Settle(epoch, TMPModes::mpStopped, nullptr);
    MediaEvent event;
    event.kind = MediaEvent::Kind::Failure;
    event.failure = MediaEvent::FailureKind::Output;
    event.path = cur_ ? cur_->path : std::string();
    event.text = std::string("No sound output: ") + e.what();
    Emit(event);
    return false;
  }
  output_->SetTitle(title);
  if (lostShown_) {
    lostShown_ = false;
    MediaEvent event;
    event.kind = MediaEvent::Kind::OutputBack;
    Emit(event);
  }
  return true;
}

void AudioPlayer::StartSound(int64_t from, uint64_t epoch) {
  if (!EnsureOutput(cur_->format, epoch)) return;
  // A fade-out still playing stays in front of the new sound.
  if (!corkDue_) {
    output_->Flush();
    written_ = 0;
  }
  corkDue_ = false;
  try {
    cur_->decoder->Seek(from);
    cur_->ended = false;
  } catch (const AudioDecoderError&) {
    cur_->ended = true;
  }
  cur_->written = from;
  if (next_ && next_->written > 0) {
    try {
      next_->decoder->Seek(0);
    } catch (const AudioDecoderError&) {
      next_->ended = true;
    }
    next_->written = 0;
  }
  nextStartAt_ = -1;
  formatChangeDue_ = false;
  curStartAt_ = written_;
  curStartFrame_ = from;
  fadeInLeft_ = from > 0 ? FadeFrames(cur_->format.rate) : 0;
  playing_ = true;
  Fill();
  output_->SetPaused(false);
  PublishClock(0);
  MediaEvent event;
  event.kind = MediaEvent::Kind::SongAudible;
  event.path = cur_->path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    event.lengthMs = MsOf(lengths_[cur_->serial], cur_->format.rate);
  }
  Emit(event);
}

void AudioPlayer::Fill() {
  for (;;) {
    Song* w = nextStartAt_ >= 0 ? next_.get() : cur_.get();
    if (!w) return;
    if (w->ended) {
      if (w == cur_.get() && next_ && nextStartAt_ < 0 && !formatChangeDue_) {
        if (next_->format == output_->Format()) {
          nextStartAt_ = written_;  // the queued song's first frame comes next
          continue;
        }
        formatChangeDue_ = true;  // after this song has played out
      }
      output_->Start();  // the end plays out even below the output's start level
      return;
    }
    const size_t room = output_->WritableFrames();
    if (room == 0 || (room < kChunkFrames && room < static_cast<size_t>(output_->BufferFrames() / 4))) return;
    const size_t want = std::min(room, kChunkFrames);
    size_t got = 0;
    try {
      got = w->decoder->Read(buffer_.data(), want);
    } catch (const AudioDecoderError&) {
      got = 0;  // the song ends with what could be decoded
    }
    if (got == 0) {
      SongEnded(*w);
      continue;
    }
    if (fadeInLeft_ > 0 && w == cur_.get()) {
      AudioSamples::Fade(buffer_.data(), static_cast<size_t>(std::min<int64_t>(fadeInLeft_, static_cast<int64_t>(got))),
                         w->format.encoding, true);
      fadeInLeft_ = 0;
    }
    const size_t put = output_->Write(buffer_.data(), got);
    written_ += static_cast<int64_t>(put);
    w->written += static_cast<int64_t>(put);
    if (put < got) {
      // Only a lost output refuses frames; what was decoded and not taken
      // is decoded again from here at the next play.
      w->decoder->Seek(w->written);
      return;
    }
  }
}

void AudioPlayer::SongEnded(Song& song) {
  song.ended = true;
  // Its true length: the frames it decoded to.
  std::lock_guard<std::mutex> lock(mutex_);
  lengths_[song.serial] = song.written;
}

void AudioPlayer::FollowClock(uint64_t epoch) {
  if (!playing_ || !output_->IsOpen()) return;
  const int64_t held = std::max<int64_t>(0, output_->HeldFrames());
  const int64_t heard = std::max<int64_t>(0, written_ - held);
  if (nextStartAt_ >= 0 && heard >= nextStartAt_) Transition(nextStartAt_);
  if (formatChangeDue_ && held == 0) {
    ChangeFormat(epoch);
    return;
  }
  if (cur_ && cur_->ended && !next_ && held == 0) {
    playing_ = false;
    output_->SetPaused(true);
    int64_t end = cur_->written;
    Settle(epoch, TMPModes::mpStopped, &end);
    MediaEvent event;
    event.kind = MediaEvent::Kind::SongFinished;
    event.path = cur_->path;
    event.lengthMs = MsOf(end, cur_->format.rate);
    Emit(event);
    return;
  }
  PublishClock(heard);
}

void AudioPlayer::Transition(int64_t startAt) {
  const std::string from = cur_->path;
  cur_ = std::move(next_);
  curStartAt_ = startAt;
  curStartFrame_ = 0;
  nextStartAt_ = -1;
  formatChangeDue_ = false;
  MediaEvent event;
  event.kind = MediaEvent::Kind::QueuedSongAudible;
  event.fromPath = from;
  event.path = cur_->path;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    path_ = cur_->path;
    rate_ = cur_->format.rate;
    shownSerial_ = cur_->serial;
    if (!mailQueueChanged_) queuedPath_.clear();
    event.lengthMs = MsOf(lengths_[cur_->serial], rate_);
    // The clock moves to the new song with the name, never after it.
    clockFrame_ = 0;
    clockCap_ = cur_->written;
    clockAt_ = Clock::now();
  }
  Emit(event);
}

void AudioPlayer::ChangeFormat(uint64_t epoch) {
  // The song before has played out: the output opens anew for this one.
  Transition(0);
  written_ = 0;
  if (!EnsureOutput(cur_->format, epoch)) {
    playing_ = false;
    return;
  }
  output_->Flush();
  Fill();
  output_->SetPaused(false);
  PublishClock(0);
}

int AudioPlayer::WaitMs() {
  if (!playing_) {
    if (!corkDue_ || !output_->IsOpen()) return -1;
    const int rate = output_->Format().rate;
    return static_cast<int>(std::clamp<int64_t>(MsOf(output_->HeldFrames(), rate) + 1, 1, kLongestNapMs));
  }
  if (!output_->IsOpen()) return kLongestNapMs;
  const int rate = output_->Format().rate;
  const int64_t held = std::max<int64_t>(0, output_->HeldFrames());
  const int64_t heard = written_ - held;
  // Asleep until the output has room for a piece worth writing (Fill
  // writes nothing smaller): a shorter nap only wakes the thread for nothing.
  const int64_t piece = std::min<int64_t>(static_cast<int64_t>(kChunkFrames), output_->BufferFrames() / 4);
  const int64_t room = static_cast<int64_t>(output_->WritableFrames());
  int64_t ms = std::max(MsOf(held - output_->BufferFrames() / 2, rate), MsOf(piece - room, rate));
  if (nextStartAt_ >= 0) ms = std::min(ms, MsOf(nextStartAt_ - heard, rate) + 1);
  if (cur_ && cur_->ended && (!next_ || formatChangeDue_)) ms = std::min(ms, MsOf(held, rate) + 1);
  return static_cast<int>(std::clamp<int64_t>(ms, 1, kLongestNapMs));
}

void AudioPlayer::PublishClock(int64_t heard) {
  if (!cur_) return;
  const int64_t at = CurrentFrameAt(heard);
  std::lock_guard<std::mutex> lock(mutex_);
  clockFrame_ = at;
  clockCap_ = cur_->written;
  clockAt_ = Clock::now();
}

void AudioPlayer::Settle(uint64_t epoch, TMPModes mode, const int64_t* rest) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (epoch_ != epoch || !open_) return;
  mode_ = mode;
  if (rest) rest_ = *rest;
  restFromHeard_ = false;
}

void AudioPlayer::Emit(MediaEvent event) { sink_(event, curLoad_); }

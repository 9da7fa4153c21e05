#include "platform/SimulatedAudioOutput.h"

#include <algorithm>

void SimulatedAudioOutput::Open(const AudioFormat& format, uint32_t volume) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!openFailure_.empty()) throw AudioOutputError(openFailure_);
  if (open_ && !lost_ && format == format_) return;
  const bool reopened = everPlayed_ && !open_;
  if (open_) AdvanceLocked();
  held_.clear();
  format_ = format;
  volume_ = volume;
  open_ = true;
  lost_ = false;
  paused_ = true;
  ++opens_;
  last_ = Clock::now();
  owedFrames_ = 0;
  // The time the device was closed between two songs is heard as silence.
  if (reopened)
    AppendSilenceLocked(std::chrono::duration_cast<std::chrono::microseconds>(last_ - closedAt_).count() *
                        format.rate / 1000000);
}

void SimulatedAudioOutput::Close() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return;
  AdvanceLocked();
  held_.clear();
  open_ = false;
  closedAt_ = Clock::now();
}

bool SimulatedAudioOutput::IsOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

AudioFormat SimulatedAudioOutput::Format() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return format_;
}

int64_t SimulatedAudioOutput::BufferFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_ ? static_cast<int64_t>(format_.rate) * bufferMs_ / 1000 : 0;
}

size_t SimulatedAudioOutput::WritableFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || lost_) return 0;
  AdvanceLocked();
  const int64_t capacity = static_cast<int64_t>(format_.rate) * bufferMs_ / 1000;
  const int64_t held = static_cast<int64_t>(held_.size()) / format_.BytesPerFrame();
  return held < capacity ? static_cast<size_t>(capacity - held) : 0;
}

size_t SimulatedAudioOutput::Write(const void* data, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || lost_) return 0;
  AdvanceLocked();
  const int64_t capacity = static_cast<int64_t>(format_.rate) * bufferMs_ / 1000;
  const int64_t held = static_cast<int64_t>(held_.size()) / format_.BytesPerFrame();
  const size_t room = held < capacity ? static_cast<size_t>(capacity - held) : 0;
  const size_t n = frames < room ? frames : room;
  const auto* bytes = static_cast<const uint8_t*>(data);
  held_.insert(held_.end(), bytes, bytes + n * static_cast<size_t>(format_.BytesPerFrame()));
  return n;
}

int64_t SimulatedAudioOutput::HeldFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return 0;
  AdvanceLocked();
  return static_cast<int64_t>(held_.size()) / format_.BytesPerFrame();
}

void SimulatedAudioOutput::SetPaused(bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  AdvanceLocked();
  paused_ = paused;
  if (!paused) everPlayed_ = true;
}

int64_t SimulatedAudioOutput::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  AdvanceLocked();
  const int64_t dropped = open_ ? static_cast<int64_t>(held_.size()) / format_.BytesPerFrame() : 0;
  held_.clear();
  return dropped;
}

void SimulatedAudioOutput::SetVolume(uint32_t waveOutVolume) {
  std::lock_guard<std::mutex> lock(mutex_);
  volume_ = waveOutVolume;
}

void SimulatedAudioOutput::SetTitle(const std::string& title) {
  std::lock_guard<std::mutex> lock(mutex_);
  title_ = title;
}

void SimulatedAudioOutput::AdvanceLocked() {
  const Clock::time_point now = Clock::now();
  if (open_ && !paused_ && !lost_) {
    owedFrames_ += std::chrono::duration<double>(now - last_).count() * format_.rate;
    const auto due = static_cast<int64_t>(owedFrames_);
    owedFrames_ -= static_cast<double>(due);
    const int64_t bytesPerFrame = format_.BytesPerFrame();
    const int64_t held = static_cast<int64_t>(held_.size()) / bytesPerFrame;
    const int64_t played = due < held ? due : held;
    if (format_.encoding == SampleEncoding::S16 && played > 0) {
      const size_t at = heard_.size();
      heard_.resize(at + static_cast<size_t>(played) * 2);
      std::copy(held_.begin(), held_.begin() + played * bytesPerFrame, reinterpret_cast<uint8_t*>(heard_.data() + at));
      played_.insert(played_.end(), heard_.begin() + static_cast<long>(at), heard_.end());
    }
    held_.erase(held_.begin(), held_.begin() + played * bytesPerFrame);
    if (due > played) {
      dryFrames_ += due - played;
      AppendSilenceLocked(due - played);
    }
  }
  last_ = now;
}

void SimulatedAudioOutput::AppendSilenceLocked(int64_t frames) {
  if (frames > 0 && format_.encoding == SampleEncoding::S16) heard_.resize(heard_.size() + static_cast<size_t>(frames) * 2, 0);
}

std::vector<int16_t> SimulatedAudioOutput::Heard() {
  std::lock_guard<std::mutex> lock(mutex_);
  AdvanceLocked();
  return heard_;
}

std::vector<int16_t> SimulatedAudioOutput::Played() {
  std::lock_guard<std::mutex> lock(mutex_);
  AdvanceLocked();
  return played_;
}

int64_t SimulatedAudioOutput::DryFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  AdvanceLocked();
  return dryFrames_;
}

bool SimulatedAudioOutput::Paused() {
  std::lock_guard<std::mutex> lock(mutex_);
  return paused_ || !open_;
}

uint32_t SimulatedAudioOutput::Volume() {
  std::lock_guard<std::mutex> lock(mutex_);
  return volume_;
}

std::string SimulatedAudioOutput::Title() {
  std::lock_guard<std::mutex> lock(mutex_);
  return title_;
}

int SimulatedAudioOutput::Opens() {
  std::lock_guard<std::mutex> lock(mutex_);
  return opens_;
}

void SimulatedAudioOutput::FailOpen(const std::string& reason) {
  std::lock_guard<std::mutex> lock(mutex_);
  openFailure_ = reason;
}

void SimulatedAudioOutput::Lose(const std::string& reason) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    AdvanceLocked();
    lost_ = true;
  }
  if (listener_) listener_->OutputLost(reason);
}

void SimulatedAudioOutput::ChangeVolumeOutside(uint32_t waveOutVolume) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    volume_ = waveOutVolume;
  }
  if (listener_) listener_->OutputVolumeChanged(waveOutVolume);
}

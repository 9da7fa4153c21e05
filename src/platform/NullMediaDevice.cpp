#include "platform/NullMediaDevice.h"

void NullMediaDevice::CheckOpen() const {
  if (!open_) throw MediaDeviceError(kNoDeviceOpen);
}

void NullMediaDevice::EndPlay() {
  if (!playPending_) return;
  playPending_ = false;
  ++owedCompletions_;
}

void NullMediaDevice::Open(const std::string& path) {
  calls_.push_back("Open " + path);
  queued_.clear();
  if (open_) {
    EndPlay();
    open_ = false;
    path_.clear();
  }
  mode_ = TMPModes::mpNotReady;
  if (!openError_.empty()) throw MediaDeviceError(openError_);
  open_ = true;
  path_ = path;
  length_ = scriptedLength_;
  position_ = 0;
  mode_ = TMPModes::mpStopped;
}

void NullMediaDevice::Close() {
  calls_.push_back("Close");
  queued_.clear();
  if (!open_) return;
  EndPlay();
  open_ = false;
  path_.clear();
  mode_ = TMPModes::mpNotReady;
}

void NullMediaDevice::Play() {
  calls_.push_back("Play");
  CheckOpen();
  EndPlay();  // a running play is superseded
  if (position_ >= length_) {
    position_ = 0;
    queued_.clear();
  }
  playPending_ = true;
  mode_ = TMPModes::mpPlaying;
}

void NullMediaDevice::Pause() {
  calls_.push_back("Pause");
  CheckOpen();
  if (mode_ != TMPModes::mpPlaying) return;
  EndPlay();
  mode_ = TMPModes::mpPaused;
}

void NullMediaDevice::Resume() {
  calls_.push_back("Resume");
  CheckOpen();
  if (!resumeError_.empty()) throw MediaDeviceError(resumeError_);
  if (mode_ != TMPModes::mpPaused) return;
  playPending_ = true;
  mode_ = TMPModes::mpPlaying;
}

void NullMediaDevice::Stop() {
  calls_.push_back("Stop");
  CheckOpen();
  EndPlay();
  queued_.clear();
  mode_ = TMPModes::mpStopped;
}

void NullMediaDevice::SetPosition(int64_t ms) {
  calls_.push_back("SetPosition " + std::to_string(ms));
  CheckOpen();
  EndPlay();
  queued_.clear();
  mode_ = TMPModes::mpStopped;
  position_ = ms < 0 ? 0 : (ms > length_ ? length_ : ms);
}

void NullMediaDevice::Rewind() {
  calls_.push_back("Rewind");
  CheckOpen();
  EndPlay();
  queued_.clear();
  mode_ = TMPModes::mpStopped;
  position_ = 0;
}

int64_t NullMediaDevice::Length() const {
  CheckOpen();
  return length_;
}

int64_t NullMediaDevice::Position() const {
  CheckOpen();
  return position_;
}

TMPModes NullMediaDevice::Mode() const {
  CheckOpen();
  return mode_;
}

void NullMediaDevice::ScriptLength(int64_t ms) {
  scriptedLength_ = ms;
  if (open_) length_ = ms;
}

int NullMediaDevice::DeliverCompletions() {
  const int times = owedCompletions_ > 0 ? owedCompletions_ : 1;
  owedCompletions_ = 0;
  for (int i = 0; i < times; ++i) FireCompletion();
  return times;
}

void NullMediaDevice::FireCompletion() {
  MediaEvent event;
  event.kind = MediaEvent::Kind::SongFinished;
  event.path = path_;
  event.lengthMs = length_;
  Announce(event);
}

bool NullMediaDevice::QueueNext(const std::string& path, std::string* reason) {
  calls_.push_back("QueueNext " + path);
  const auto refuse = [&](const std::string& why) {
    if (reason) *reason = why;
    return false;
  };
  if (!open_) return refuse(kNoDeviceOpen);
  queued_.clear();
  if (!queueError_.empty()) return refuse(queueError_);
  if (position_ >= length_ && mode_ != TMPModes::mpPlaying) return refuse("The song has already ended");
  queued_ = path;
  queuedLength_ = scriptedQueuedLength_ > 0 ? scriptedQueuedLength_ : scriptedLength_;
  return true;
}

void NullMediaDevice::DropQueued() {
  calls_.push_back("DropQueued");
  queued_.clear();
}

void NullMediaDevice::TakeOverQueued(int64_t intoNextMs) {
  MediaEvent event;
  event.kind = MediaEvent::Kind::QueuedSongAudible;
  event.fromPath = path_;
  event.path = queued_;
  event.lengthMs = queuedLength_;
  path_ = queued_;
  queued_.clear();
  length_ = queuedLength_;
  position_ = intoNextMs;
  owedTransitions_.push_back(event);
}

int NullMediaDevice::DeliverTransitions() {
  std::vector<MediaEvent> owed;
  owed.swap(owedTransitions_);
  for (const MediaEvent& event : owed) Announce(event);
  return static_cast<int>(owed.size());
}

void NullMediaDevice::Advance(int64_t ms) {
  CheckOpen();
  if (mode_ != TMPModes::mpPlaying) return;
  int64_t left = ms;
  if (position_ + left >= length_ && !queued_.empty()) {
    left -= length_ - position_;
    TakeOverQueued(0);
  }
  if (position_ + left < length_) {
    position_ += left;
    return;
  }
  position_ = length_;
  mode_ = TMPModes::mpStopped;
  EndPlay();
}

void NullMediaDevice::PlayToEnd() {
  CheckOpen();
  if (!queued_.empty()) {
    TakeOverQueued(0);
    mode_ = TMPModes::mpPlaying;
    DeliverTransitions();
    return;
  }
  position_ = length_;
  mode_ = TMPModes::mpStopped;
  EndPlay();
  DeliverCompletions();
}


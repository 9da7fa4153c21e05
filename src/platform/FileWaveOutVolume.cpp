#include "platform/FileWaveOutVolume.h"

#include <cstdio>
#include <string_view>

#include "files/AtomicFile.h"
#include "files/SafeRead.h"
#include "platform/Paths.h"

namespace {

// The value is at most ten digits and a line end; anything longer is not ours.
constexpr size_t kMaxVolumeFileBytes = 31;

} // namespace

std::string FileWaveOutVolume::DefaultPath() { return Paths::XdgStateHome() + "/velmaris/volume"; }

FileWaveOutVolume::FileWaveOutVolume(SharedAudioGain gain, std::string path, std::chrono::milliseconds writeInterval)
    : gain_(gain ? std::move(gain) : std::make_shared<AudioGain>()),
      path_(path.empty() ? DefaultPath() : std::move(path)), interval_(writeInterval) {
  uint32_t stored = 0;
  if (Read(stored) == ReadResult::Value) gain_->volume.store(stored);
  writer_ = std::thread([this] { WriterLoop(); });
}

FileWaveOutVolume::~FileWaveOutVolume() {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  wake_.notify_one();
  writer_.join();
}

FileWaveOutVolume::ReadResult FileWaveOutVolume::Read(uint32_t& volume) const {
  // A FIFO or device in the file's place is refused at once, never waited on.
  const Files::ReadResult file = Files::ReadRegularFile(path_, kMaxVolumeFileBytes);
  if (file.status == Files::ReadStatus::Missing) return ReadResult::Missing;
  if (!file.Ok()) return ReadResult::Bad;
  const char* buf = file.data.data();
  size_t size = file.data.size();
  while (size > 0 && (buf[size - 1] == '\n' || buf[size - 1] == '\r' || buf[size - 1] == ' ')) --size;
  if (size == 0 || size > 10) return ReadResult::Bad;
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) {
    if (buf[i] < '0' || buf[i] > '9') return ReadResult::Bad;
    value = value * 10 + static_cast<uint64_t>(buf[i] - '0');
  }
  if (value > 0xFFFFFFFFu) return ReadResult::Bad;
  volume = static_cast<uint32_t>(value);
  return ReadResult::Value;
}

bool FileWaveOutVolume::GetVolume(uint32_t& volume) {
  {
    const std::lock_guard<std::mutex> hold(lock_);
    // The value set last, whether or not it has reached the file yet.
    if (haveSet_) {
      volume = lastSet_;
      return true;
    }
  }
  uint32_t stored = 0;
  switch (Read(stored)) {
  case ReadResult::Missing:
    volume = AudioGain::kFull;
    return true;
  case ReadResult::Value:
    volume = stored;
    return true;
  case ReadResult::Bad:
    break;
  }
  return false;
}

bool FileWaveOutVolume::SetVolume(uint32_t volume) {
  gain_->volume.store(volume);
  const std::lock_guard<std::mutex> hold(lock_);
  // The writer knows of a value still pending: it takes the newest when due,
  // so a flood of settings wakes it once, not once per value.
  const bool writerKnows = pending_;
  pending_ = true;
  pendingValue_ = volume;
  haveSet_ = true;
  lastSet_ = volume;
  if (!writerKnows) wake_.notify_one();
  return lastWriteOk_;
}

bool FileWaveOutVolume::Flush() {
  std::unique_lock<std::mutex> hold(lock_);
  // A write under way may hold an older value: wait for it, then write ours.
  written_.wait(hold, [this] { return !writing_; });
  if (pending_) WritePending(hold);
  return lastWriteOk_;
}

int FileWaveOutVolume::WriteCount() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return writes_;
}

bool FileWaveOutVolume::WriteFile(uint32_t volume) const {
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%u\n", static_cast<unsigned>(volume));
  if (len <= 0) return false;
  Files::AtomicWriteOptions options;
  options.createFolders = true;
  return Files::WriteFileAtomically(path_, std::string_view(text, static_cast<size_t>(len)), nullptr, options);
}

void FileWaveOutVolume::WritePending(std::unique_lock<std::mutex>& hold) {
  const uint32_t value = pendingValue_;
  pending_ = false;
  // A drag sets the same value many times over; the file needs it once.
  if (haveWritten_ && lastWritten_ == value) return;
  writing_ = true;
  hold.unlock();
  const bool ok = WriteFile(value);
  hold.lock();
  writing_ = false;
  lastWriteOk_ = ok;
  ++writes_;
  lastWriteAt_ = std::chrono::steady_clock::now();
  if (ok) {
    haveWritten_ = true;
    lastWritten_ = value;
  }
  written_.notify_all();
}

void FileWaveOutVolume::WriterLoop() {
  std::unique_lock<std::mutex> hold(lock_);
  while (true) {
    wake_.wait(hold, [this] { return pending_ || stop_; });
    if (stop_) break;
    // Paced: the first value of a change goes out at once, the values that
    // follow within the interval wait and only the last of them is written.
    const auto due = lastWriteAt_ + interval_;
    if (writes_ > 0 && std::chrono::steady_clock::now() < due) {
      wake_.wait_until(hold, due, [this] { return stop_; });
      if (stop_) break;
    }
    if (pending_ && !writing_) WritePending(hold);
  }
  // At the end the last value is written whatever the pacing.
  written_.wait(hold, [this] { return !writing_; });
  if (pending_) WritePending(hold);
}

SharedAudioGain OutputGainOf(WaveOutVolume* volume) {
  auto* file = dynamic_cast<FileWaveOutVolume*>(volume);
  return file ? file->Gain() : nullptr;
}

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

FileWaveOutVolume::FileWaveOutVolume(SharedAudioGain gain, std::string path)
    : gain_(gain ? std::move(gain) : std::make_shared<AudioGain>()),
      path_(path.empty() ? DefaultPath() : std::move(path)) {
  uint32_t stored = 0;
  if (Read(stored) == ReadResult::Value) gain_->volume.store(stored);
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
  // A drag sets the same value many times over; the file needs it once.
  if (haveWritten_ && lastWritten_ == volume) return true;
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%u\n", static_cast<unsigned>(volume));
  if (len <= 0) return false;
  Files::AtomicWriteOptions options;
  options.createFolders = true;
  if (!Files::WriteFileAtomically(path_, std::string_view(text, static_cast<size_t>(len)), nullptr, options))
    return false;
  haveWritten_ = true;
  lastWritten_ = volume;
  return true;
}

SharedAudioGain OutputGainOf(WaveOutVolume* volume) {
  auto* file = dynamic_cast<FileWaveOutVolume*>(volume);
  return file ? file->Gain() : nullptr;
}

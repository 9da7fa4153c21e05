#include "platform/FileWaveOutVolume.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Paths.h"

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool WriteWhole(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

} // namespace

std::string FileWaveOutVolume::DefaultPath() { return Paths::XdgStateHome() + "/velmaris/volume"; }

FileWaveOutVolume::FileWaveOutVolume(SharedAudioGain gain, std::string path)
    : gain_(gain ? std::move(gain) : std::make_shared<AudioGain>()),
      path_(path.empty() ? DefaultPath() : std::move(path)) {
  uint32_t stored = 0;
  if (Read(stored) == ReadResult::Value) gain_->volume.store(stored);
}

FileWaveOutVolume::ReadResult FileWaveOutVolume::Read(uint32_t& volume) const {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? ReadResult::Missing : ReadResult::Bad;
  // The value is at most ten digits and a line end; anything longer is not ours.
  char buf[32];
  size_t size = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf + size, sizeof buf - size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return ReadResult::Bad;
    }
    if (n == 0) break;
    size += static_cast<size_t>(n);
    if (size == sizeof buf) {
      ::close(fd);
      return ReadResult::Bad;
    }
  }
  ::close(fd);
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
  const std::string folder = FolderOf(path_);
  if (!Paths::MakeDirs(folder)) return false;
  std::string temp = path_ + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  char text[16];
  const int len = std::snprintf(text, sizeof text, "%u\n", static_cast<unsigned>(volume));
  const bool written = len > 0 && WriteWhole(fd, text, static_cast<size_t>(len));
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), path_.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  haveWritten_ = true;
  lastWritten_ = volume;
  return true;
}

SharedAudioGain OutputGainOf(WaveOutVolume* volume) {
  auto* file = dynamic_cast<FileWaveOutVolume*>(volume);
  return file ? file->Gain() : nullptr;
}

#include "platform/SongFile.h"

#include "files/SafeRead.h"
#include "platform/AudioDecoder.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {
// Hours of 24-bit 192 kHz audio; anything bigger is no song file.
constexpr long long kMaxSongBytes = 16LL << 30;
} // namespace

SongFile::SongFile(const std::string& path) : path_(path) {
  long long size = 0;
  Files::ReadStatus status;
  std::string error;
  fd_ = Files::OpenRegularFile(path, size, status, error);
  if (fd_ < 0) {
    if (status == Files::ReadStatus::Missing) throw AudioDecoderError("No such file");
    if (status == Files::ReadStatus::NotRegular) throw AudioDecoderError("it is not a regular file");
    throw AudioDecoderError("Unable to open file: " + error);
  }
  size_ = size;
  if (size_ > kMaxSongBytes) {
    ::close(fd_);
    throw AudioDecoderError("it is too large to be a song (more than 16 GiB)");
  }
}

SongFile::~SongFile() {
  if (fd_ >= 0) ::close(fd_);
}

long SongFile::Read(void* dst, size_t n) {
  if (offset_ >= size_) return 0;
  const int64_t left = size_ - offset_;
  if (static_cast<uint64_t>(left) < n) n = static_cast<size_t>(left);
  while (true) {
    const ssize_t got = ::pread(fd_, dst, n, static_cast<off_t>(offset_));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    offset_ += got;
    return static_cast<long>(got);
  }
}

bool SongFile::ReadAt(int64_t at, void* dst, size_t n) const {
  if (at < 0 || at > size_ || static_cast<uint64_t>(size_ - at) < n) return false;
  auto* p = static_cast<char*>(dst);
  while (n > 0) {
    const ssize_t got = ::pread(fd_, p, n, static_cast<off_t>(at));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    at += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool SongFile::Seek(int64_t offset, int whence) {
  int64_t base = 0;
  if (whence == SEEK_CUR) base = offset_;
  else if (whence == SEEK_END) base = size_;
  else if (whence != SEEK_SET) return false;
  const int64_t to = base + offset;
  if (to < 0 || to > size_) return false;
  offset_ = to;
  return true;
}

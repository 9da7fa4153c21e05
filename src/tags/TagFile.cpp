#include "tags/TagFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tagfile {

int OpenForReading(const std::string& path, int64_t& fileSize) {
  fileSize = 0;
  // O_NONBLOCK keeps a FIFO or device node from hanging the open; it has no
  // effect on regular files, which are the only ones accepted.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  fileSize = static_cast<int64_t>(st.st_size);
  return fd;
}

bool Close(int fd) { return ::close(fd) == 0; }

bool ReadExactAt(int fd, int64_t off, void* dst, size_t n) {
  if (off < 0) return false;
  auto* p = static_cast<uint8_t*>(dst);
  while (n > 0) {
    ssize_t got = ::pread(fd, p, n, static_cast<off_t>(off));
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return false; // the file ended first
    p += got;
    off += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const void* src, size_t n) {
  const auto* p = static_cast<const uint8_t*>(src);
  while (n > 0) {
    ssize_t put = ::write(fd, p, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    p += put;
    n -= static_cast<size_t>(put);
  }
  return true;
}

bool Source::ReadExact(int64_t off, void* dst, size_t n) const {
  if (off < 0 || off > size_ || static_cast<uint64_t>(size_ - off) < n) return false;
  if (n == 0) return true;
  if (mem_) {
    std::memcpy(dst, mem_ + off, n);
    return true;
  }
  const auto inWindow = [&] {
    return winLen_ > 0 && off >= winOff_ && static_cast<uint64_t>(off - winOff_) <= winLen_ &&
           winLen_ - static_cast<size_t>(off - winOff_) >= n;
  };
  if (inWindow() || (n <= winCap_ && FillWindow(off) && inWindow())) {
    std::memcpy(dst, winBuf_ + (off - winOff_), n);
    return true;
  }
  return ReadExactAt(fd_, off, dst, n);
}

bool Source::FillWindow(int64_t off) const {
  const uint64_t avail = static_cast<uint64_t>(size_ - off);
  const size_t n = avail < winCap_ ? static_cast<size_t>(avail) : winCap_;
  winLen_ = 0;
  if (n == 0 || !ReadExactAt(fd_, off, winBuf_, n)) return false;
  winOff_ = off;
  winLen_ = n;
  return true;
}

size_t Source::LoadWindow(int64_t off, uint8_t* buf, size_t cap) {
  if (mem_ || off < 0 || off >= size_) return 0;
  winBuf_ = buf;
  winCap_ = cap;
  return FillWindow(off) ? winLen_ : 0;
}

void TrimRight(std::string& s) {
  size_t end = s.size();
  while (end > 0 && static_cast<uint8_t>(s[end - 1]) <= 32) --end;
  s.resize(end);
}

void Trim(std::string& s) {
  TrimRight(s);
  size_t start = 0;
  while (start < s.size() && static_cast<uint8_t>(s[start]) <= 32) ++start;
  s.erase(0, start);
}

std::string TrimmedText(const char* data, size_t size) {
  const auto* p = reinterpret_cast<const uint8_t*>(data);
  size_t b = 0, e = size;
  while (b < e && p[b] <= 32) ++b;
  const bool little = e - b >= 2 && p[b] == 0xFF && p[b + 1] == 0xFE;
  const bool big = e - b >= 2 && p[b] == 0xFE && p[b + 1] == 0xFF;
  if (!little && !big) {
    while (e > b && p[e - 1] <= 32) --e;
    return std::string(data + b, e - b);
  }
  auto unit = [&](size_t at) -> uint32_t {
    const uint32_t x = p[at], y = at + 1 < e ? p[at + 1] : 0;
    return big ? (x << 8 | y) : (y << 8 | x);
  };
  // Only the end is trimmed: the bytes behind the mark are kept as the byte
  // trimming kept them, which never passed the mark.
  constexpr size_t kMark = 2;
  const size_t mark = b;
  b += kMark; // [b, e): 16-bit units, the last one possibly a byte short
  while (e > b) {
    const size_t last = b + (e - b - 1) / 2 * 2; // where the last unit starts
    if (unit(last) > 32) break;
    e = last;
  }
  std::string out(data + mark, kMark);
  out.append(data + b, e - b);
  return out;
}

} // namespace tagfile

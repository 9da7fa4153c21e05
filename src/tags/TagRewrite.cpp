#include "tags/TagRewrite.h"

#include <cerrno>
#include <memory>
#include <unistd.h>

namespace tagfile {

Files::AtomicWriteOptions RewriteOptions() {
  Files::AtomicWriteOptions options;
  // A fixed name beside the song: no folder scan in a large music folder,
  // and a leftover of a killed save is replaced by the next one.
  options.tempName = Files::AtomicWriteOptions::TempName::Tilde;
  return options;
}

bool CopyRange(int fd, int64_t from, int64_t to, Files::AtomicFile& out) {
  constexpr size_t kChunk = 128 * 1024;
  std::unique_ptr<char[]> buf(new char[kChunk]);
  while (from < to) {
    const uint64_t left = static_cast<uint64_t>(to - from);
    const size_t want = left < kChunk ? static_cast<size_t>(left) : kChunk;
    const ssize_t got = ::pread(fd, buf.get(), want, static_cast<off_t>(from));
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return false; // the file ended first
    if (!out.Write(buf.get(), static_cast<size_t>(got))) return false;
    from += got;
  }
  return true;
}

} // namespace tagfile

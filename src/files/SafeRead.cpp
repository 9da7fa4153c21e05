#include "files/SafeRead.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {

namespace {

int OpenRegular(const std::string& path, long long& size, ReadStatus& status, std::string& error, bool* isFolder) {
  size = 0;
  error.clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    status = (err == ENOENT || err == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
    error = std::strerror(err);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    status = ReadStatus::Failed;
    error = std::strerror(errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    status = ReadStatus::NotRegular;
    error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "Not a regular file";
    if (isFolder) *isFolder = S_ISDIR(st.st_mode);
    ::close(fd);
    return -1;
  }
  size = static_cast<long long>(st.st_size);
  status = ReadStatus::Ok;
  return fd;
}

} // namespace

int OpenRegularFile(const std::string& path, long long& size, ReadStatus& status, std::string& error) {
  return OpenRegular(path, size, status, error, nullptr);
}

ReadResult ReadRegularFile(const std::string& path, std::size_t limit, OverLimit over) {
  ReadResult r;
  long long size = 0;
  const int fd = OpenRegular(path, size, r.status, r.error, &r.isFolder);
  if (fd < 0) return r;
  // The reported size only sizes the buffer; the reads themselves stop at the
  // limit, so a file that grows meanwhile cannot take more.
  const std::size_t hint = size > 0 ? static_cast<std::size_t>(size) : 0;
  const bool refuse = over == OverLimit::Refuse;
  if (refuse && hint > limit) {
    ::close(fd);
    r.status = ReadStatus::TooLarge;
    r.error = "File too large (more than " + std::to_string(limit) + " bytes)";
    return r;
  }
  // One byte past the limit tells a file of exactly `limit` bytes from a longer one.
  const std::size_t want = limit == SIZE_MAX ? limit : limit + 1;
  std::size_t capacity = hint < want ? hint + 1 : want;
  if (capacity == 0) capacity = 1;
  r.data.resize(capacity < 4096 && want > 4096 ? 4096 : capacity);
  std::size_t used = 0;
  while (used < want) {
    if (used == r.data.size()) r.data.resize(r.data.size() * 2 < want ? r.data.size() * 2 : want);
    const ssize_t n = ::read(fd, r.data.data() + used, r.data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      r.status = ReadStatus::Failed;
      r.error = std::strerror(errno);
      r.data.clear();
      ::close(fd);
      return r;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (used > limit) {
    if (refuse) {
      r.status = ReadStatus::TooLarge;
      r.error = "File too large (more than " + std::to_string(limit) + " bytes)";
      r.data.clear();
      return r;
    }
    used = limit;
    r.truncated = true;
  }
  r.data.resize(used);
  r.status = ReadStatus::Ok;
  return r;
}

} // namespace Files

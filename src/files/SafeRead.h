#pragma once
// Reading a file the program did not necessarily write: it must be a regular
// file (a FIFO, device node or folder in its place is refused instead of
// hanging or reading for ever), it is opened without blocking, and at most a
// given number of bytes is read.
#include <cstddef>
#include <string>

namespace Files {

enum class ReadStatus {
  Ok,         // data holds the file (or its first `limit` bytes, see OverLimit)
  Missing,    // no such file (or a path component is not a folder)
  NotRegular, // a folder, FIFO, device node, socket (links are followed)
  TooLarge,   // longer than the limit and OverLimit::Refuse
  Failed,     // open or read failed for another reason (error says why)
};

// What to do with a file longer than the limit.
enum class OverLimit {
  Refuse,   // ReadStatus::TooLarge, no data
  Truncate, // ReadStatus::Ok with the first `limit` bytes, truncated = true
};

struct ReadResult {
  ReadStatus status = ReadStatus::Failed;
  std::string data;
  bool truncated = false;
  bool isFolder = false; // NotRegular because a folder is there
  std::string error; // empty when status is Ok; else a reason such as "Not a regular file"
  bool Ok() const { return status == ReadStatus::Ok; }
};

// Opens path with O_RDONLY | O_NONBLOCK | O_CLOEXEC, checks with fstat that it
// is a regular file and reads at most `limit` bytes.
ReadResult ReadRegularFile(const std::string& path, std::size_t limit, OverLimit over = OverLimit::Refuse);

// Opens path the same way for the caller's own reads (pread etc.). Returns the
// descriptor, or -1 with status (Missing, NotRegular, Failed) and error set.
// size receives the file's size.
int OpenRegularFile(const std::string& path, long long& size, ReadStatus& status, std::string& error);

} // namespace Files

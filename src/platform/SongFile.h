#pragma once
// The file a decoder reads: a regular file opened without blocking, read
// through its own offset so a library's read, seek and tell callbacks can be
// served from it. Throws AudioDecoderError when it cannot be opened.
#include <cstddef>
#include <cstdint>
#include <string>

class SongFile {
public:
  explicit SongFile(const std::string& path);
  ~SongFile();
  SongFile(const SongFile&) = delete;
  SongFile& operator=(const SongFile&) = delete;

  // Up to n bytes at the current offset; fewer at the end; -1 on an error.
  long Read(void* dst, size_t n);
  // Exactly n bytes at `at` without moving the offset; false when the file
  // has fewer or cannot be read.
  bool ReadAt(int64_t at, void* dst, size_t n) const;
  // Moves the offset (whence as for fseek); false when it would leave the file.
  bool Seek(int64_t offset, int whence);
  int64_t Tell() const { return offset_; }
  int64_t Size() const { return size_; }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
  int fd_ = -1;
  int64_t size_ = 0;
  int64_t offset_ = 0;
};

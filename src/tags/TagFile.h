#pragma once
// Low-level file access shared by the tag readers and writers: one open
// descriptor, positioned reads (pread) so nothing depends on a file offset,
// and an optional in-memory window that serves repeated small reads without
// a system call. Internal to the tags folder.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagfile {

// Opens an existing regular file for reading. Returns -1 on failure (missing,
// no access, not a regular file). fileSize receives the size in bytes.
int OpenForReading(const std::string& path, int64_t& fileSize);

// Closes fd; false when the close reported an error.
bool Close(int fd);

// Reads exactly n bytes at offset off (retrying short reads and EINTR).
// False on an error or when the file ends first.
bool ReadExactAt(int fd, int64_t off, void* dst, size_t n);

// Writes all n bytes at the current position of fd. False on any error.
bool WriteAll(int fd, const void* src, size_t n);

// The bytes of one file as the tag readers see them: either a descriptor or
// a buffer in memory (the whole file). A window may keep part of the file in
// memory; reads that lie completely inside it are served from there.
class Source {
public:
  static Source FromDescriptor(int fd, int64_t size) { return Source(fd, size, nullptr); }
  static Source FromMemory(const uint8_t* data, size_t size) {
    return Source(-1, static_cast<int64_t>(size), data);
  }

  int64_t Size() const { return size_; }

  // Copies n bytes at off into dst. False when they are not all there.
  bool ReadExact(int64_t off, void* dst, size_t n) const;

  // Loads up to cap bytes from off into buf (caller's storage, which must
  // outlive this source) and serves later reads inside that range from it.
  // A later read of at most cap bytes outside the range moves the window
  // there, so a walk through a long tag costs one system call per window,
  // not one per frame. Returns the number of bytes held in the window.
  size_t LoadWindow(int64_t off, uint8_t* buf, size_t cap);

private:
  Source(int fd, int64_t size, const uint8_t* mem) : fd_(fd), size_(size), mem_(mem) {}
  bool FillWindow(int64_t off) const;
  int fd_;
  int64_t size_;
  const uint8_t* mem_;
  uint8_t* winBuf_ = nullptr;
  size_t winCap_ = 0;
  mutable int64_t winOff_ = 0;
  mutable size_t winLen_ = 0;
};

// Removes trailing bytes of code 0 to 32.
void TrimRight(std::string& s);
// Removes leading and trailing bytes of code 0 to 32.
void Trim(std::string& s);
// The text between leading and trailing bytes of code 0 to 32. When what is
// left starts with a byte-order mark (FF FE or FE FF), its end is trimmed by
// whole 16-bit units instead, so the high byte of a last character such as
// U+044F (4F 04) survives; a missing last byte counts as zero.
std::string TrimmedText(const char* data, size_t size);

} // namespace tagfile

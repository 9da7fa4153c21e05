#pragma once
// A single-producer, single-consumer ring of interleaved stereo 16-bit frames.
// The decoder thread writes, the audio callback reads; neither side locks or
// allocates. Reset() may only run while neither side is inside Read/Write.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

class AudioRing {
public:
  // The capacity is rounded up to a power of two frames.
  explicit AudioRing(size_t minFrames) {
    size_t cap = 1;
    while (cap < minFrames) cap <<= 1;
    capacity_ = cap;
    mask_ = cap - 1;
    data_ = std::make_unique<int16_t[]>(cap * 2);
  }

  size_t Capacity() const { return capacity_; }
  size_t Readable() const {
    return static_cast<size_t>(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire));
  }
  size_t Writable() const { return capacity_ - Readable(); }

  // Producer side: copies up to `frames` frames, returns how many fit.
  size_t Write(const int16_t* src, size_t frames) {
    const uint64_t w = written_.load(std::memory_order_relaxed);
    const uint64_t r = read_.load(std::memory_order_acquire);
    const size_t room = capacity_ - static_cast<size_t>(w - r);
    const size_t n = frames < room ? frames : room;
    CopyIn(static_cast<size_t>(w & mask_), src, n);
    written_.store(w + n, std::memory_order_release);
    return n;
  }

  // Consumer side: copies up to `frames` frames out, returns how many.
  size_t Read(int16_t* dst, size_t frames) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = written_.load(std::memory_order_acquire);
    const size_t avail = static_cast<size_t>(w - r);
    const size_t n = frames < avail ? frames : avail;
    CopyOut(static_cast<size_t>(r & mask_), dst, n);
    read_.store(r + n, std::memory_order_release);
    return n;
  }

  // Frames written and read since the last Reset; both only grow.
  uint64_t WrittenTotal() const { return written_.load(std::memory_order_acquire); }
  uint64_t ReadTotal() const { return read_.load(std::memory_order_acquire); }

  // Forgets what was written after the first `total` frames (those not read
  // yet). Like Reset, only while neither side is inside Read/Write.
  void DropAfter(uint64_t total) {
    const uint64_t r = read_.load(std::memory_order_relaxed);
    const uint64_t w = written_.load(std::memory_order_relaxed);
    const uint64_t keep = total < r ? r : total;
    if (keep < w) written_.store(keep, std::memory_order_release);
  }

  void Reset() {
    read_.store(0, std::memory_order_relaxed);
    written_.store(0, std::memory_order_release);
  }

private:
  void CopyIn(size_t at, const int16_t* src, size_t n) {
    const size_t first = n < capacity_ - at ? n : capacity_ - at;
    if (first) std::memcpy(data_.get() + at * 2, src, first * 4);
    if (n > first) std::memcpy(data_.get(), src + first * 2, (n - first) * 4);
  }
  void CopyOut(size_t at, int16_t* dst, size_t n) const {
    const size_t first = n < capacity_ - at ? n : capacity_ - at;
    if (first) std::memcpy(dst, data_.get() + at * 2, first * 4);
    if (n > first) std::memcpy(dst + first * 2, data_.get(), (n - first) * 4);
  }

  size_t capacity_ = 0;
  size_t mask_ = 0;
  std::unique_ptr<int16_t[]> data_;
  alignas(64) std::atomic<uint64_t> written_{0};
  alignas(64) std::atomic<uint64_t> read_{0};
};

#pragma once
// Helpers for the tests of the real media device: an event loop to receive
// its notifications, the raw output of SDL's disk driver, and libmpg123's
// own decoding of a file to compare it with.
#include <QCoreApplication>
#include <gtest/gtest.h>
#include <mpg123.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace mediatest {

// The fixtures' sample rate, and the two songs played back to back.
constexpr int kRate = 44100;
inline constexpr const char* kSongX = "gap_x_2300ms.mp3";
inline constexpr const char* kSongY = "gap_y_2700ms.mp3";

inline std::string Fixture(const char* name) { return testsupport::FixturesDir() + name; }

inline QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "tests_platform_media";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return app;
}

// Runs the event loop until `done` holds; false after `ms` milliseconds.
inline bool RunUntil(const std::function<bool()>& done, int ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline void RunFor(int ms) {
  RunUntil([] { return false; }, ms);
}

inline std::vector<int16_t> ReadPcm(const std::string& path) {
  const std::string bytes = testsupport::ReadAll(path);
  std::vector<int16_t> pcm(bytes.size() / 2);
  if (!pcm.empty()) std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
  return pcm;
}

// libmpg123's own decoding of a whole file: gapless, stereo 16-bit at `rate`.
inline std::vector<int16_t> Decode(const std::string& path, long rate = 44100) {
  mpg123_init();
  int err = MPG123_OK;
  std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> mh(mpg123_new(nullptr, &err), [](mpg123_handle* h) {
    mpg123_close(h);
    mpg123_delete(h);
  });
  EXPECT_TRUE(mh);
  mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  mpg123_format_none(mh.get());
  mpg123_format(mh.get(), rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
  EXPECT_EQ(mpg123_open(mh.get(), path.c_str()), MPG123_OK);
  std::vector<int16_t> pcm;
  std::vector<int16_t> buffer(8192);
  for (;;) {
    size_t bytes = 0;
    const int r = mpg123_read(mh.get(), buffer.data(), buffer.size() * 2, &bytes);
    pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + static_cast<long>(bytes / 2));
    if (r != MPG123_OK && r != MPG123_NEW_FORMAT) break;
  }
  return pcm;
}

inline size_t FirstSoundingFrame(const std::vector<int16_t>& pcm) {
  size_t i = 0;
  while (i + 1 < pcm.size() && pcm[i] == 0 && pcm[i + 1] == 0) i += 2;
  return i / 2;
}

inline size_t LastSoundingFrameEnd(const std::vector<int16_t>& pcm) {
  size_t end = pcm.size() / 2;
  while (end > 0 && pcm[2 * end - 2] == 0 && pcm[2 * end - 1] == 0) --end;
  return end;
}

// The frames that sound, in order: silence before, between and after is
// left out.
inline std::vector<int16_t> Sounding(const std::vector<int16_t>& pcm) {
  std::vector<int16_t> out;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2)
    if (pcm[i] != 0 || pcm[i + 1] != 0) out.insert(out.end(), {pcm[i], pcm[i + 1]});
  return out;
}

inline std::vector<int16_t> Joined(std::vector<int16_t> a, const std::vector<int16_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

} // namespace mediatest

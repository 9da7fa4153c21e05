#pragma once
// Helpers for the tests of the real media device: an event loop to receive
// its notifications, and the raw output of SDL's disk driver.
#include <QCoreApplication>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

namespace mediatest {

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

} // namespace mediatest

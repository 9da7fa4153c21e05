// The memory a huge .m3u costs when it is opened: writes an .m3u of
// `lines` short entries ("<n>.mp3", 7 bytes a line), opens it into a
// playlist as the window does and prints the lines taken, the time, and the
// peak resident memory against the file's size. Run it under
// `/usr/bin/time -v` for a second view of the peak.
//
//   bench_m3u_memory [lines] [folder]
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>

#include "playlist/PlayList.h"

namespace {

// A memory figure of this process from /proc/self/status in MiB: "VmHWM:"
// the peak resident memory, "VmRSS:" the resident memory now.
double StatusMiB(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string key;
  while (in >> key) {
    if (key == field) {
      double kib = 0;
      in >> kib;
      return kib / 1024.0;
    }
    in.ignore(1 << 20, '\n');
  }
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const long lines = argc > 1 ? std::atol(argv[1]) : 7500000;
  const std::string folder = argc > 2 ? argv[2] : "/var/tmp";
  const std::string list = folder + "/bench_m3u_memory.m3u";
  {
    std::ofstream out(list, std::ios::binary | std::ios::trunc);
    for (long i = 0; i < lines; ++i) out << (i % 100) << ".mp3\n";
  }
  const double fileMiB = static_cast<double>(std::ifstream(list, std::ios::ate | std::ios::binary).tellg()) / (1024.0 * 1024.0);
  const double before = StatusMiB("VmHWM:");
  PlayList playlist;
  const auto start = std::chrono::steady_clock::now();
  std::string outcome = "opened";
  try {
    playlist.OpenPath(list, false);
  } catch (const std::exception& e) {
    outcome = e.what();
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double peak = StatusMiB("VmHWM:"), now = StatusMiB("VmRSS:");
  std::printf("file %.1f MiB, %ld lines; playlist %d lines in %.2f s\n", fileMiB, lines, playlist.Count(), seconds);
  std::printf("peak RSS %.1f MiB (%.1f MiB before opening, %.1fx the file); %.1f MiB after\n", peak, before,
              peak / fileMiB, now);
  std::printf("outcome: %.300s\n", outcome.c_str());
  std::remove(list.c_str());
  return 0;
}

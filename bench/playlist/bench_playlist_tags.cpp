// Opening a long .m3u of tagged MP3 files in a tag display mode ("artist -
// title"): the display texts read one by one on the calling thread, and on
// the pool of tag-reading threads. Warm: the files in the page cache; cold:
// the page cache dropped before every run (needs root). No window: the
// playlist alone, as the window opens it before it shows.
//
//   bench_playlist_tags [entries] [runs] [folder]
//
// The folder must be on a disk (not tmpfs) for the cold runs to mean
// anything; the default is under /var/tmp.
#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "playlist/PlayList.h"
#include "support/TagBytes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool DropPageCache() {
  ::sync();
  std::ofstream out("/proc/sys/vm/drop_caches");
  out << "3\n";
  out.flush();
  return static_cast<bool>(out);
}

struct Runs {
  double min, median;
  double longestBlock;  // the longest time the thread handled no events
};

// `runs` opens of `list` in display mode `mode` with at most `threads`
// threads for the texts (0: the pool's own choice).
Runs Measure(const std::string& list, int mode, unsigned threads, int runs, bool cold, int expected) {
  std::vector<double> times;
  double longestBlock = 0;
  for (int r = 0; r < runs; ++r) {
    PlayList playlist;
    playlist.SetDisplayMode(mode);
    playlist.SetTextThreadLimit(threads);
    // The gaps between two rounds of event handling, as the window would
    // see them: from the start to the first round, between rounds, and
    // from the last round to the end.
    Clock::time_point lastRound;
    if (cold && !DropPageCache()) {
      std::fprintf(stderr, "cannot drop the page cache (not root?)\n");
      std::exit(1);
    }
    const auto t = Clock::now();
    lastRound = t;
    playlist.OpenPath(list, false);
    // The tags are read on their own thread; this one handles its events.
    while (playlist.Adding()) {
      longestBlock = std::max(longestBlock, Since(lastRound));
      lastRound = Clock::now();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    times.push_back(Since(t));
    longestBlock = std::max(longestBlock, Since(lastRound));
    if (playlist.Count() != expected) {
      std::fprintf(stderr, "opened %d lines, expected %d\n", playlist.Count(), expected);
      std::exit(1);
    }
  }
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2], longestBlock};
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  std::string base = argc > 3 ? argv[3] : "/var/tmp";
  std::string tmpl = base + "/velmaris-bench-tags-XXXXXX";
  if (!::mkdtemp(tmpl.data())) return 1;
  const std::string dir = tmpl + "/";

  // Tagged files about as a tagger writes them: an ID3v2.3 tag with padding,
  // then audio frames.
  const std::string audio = testsupport::SilentMpegFrames(8);
  std::string m3u = "#EXTM3U\n";
  for (int i = 0; i < entries; ++i) {
    const std::string path = dir + "track " + std::to_string(i) + ".mp3";
    WriteFile(path, testsupport::Id3v2Tag(3,
                                          {testsupport::Id3v2TextFrame("TIT2", "Title " + std::to_string(i)),
                                           testsupport::Id3v2TextFrame("TPE1", "Artist " + std::to_string(i % 50)),
                                           testsupport::Id3v2TextFrame("TALB", "Album " + std::to_string(i % 20))},
                                          1024) +
                        audio);
    m3u += path + "\n";
  }
  const std::string list = dir + "list.m3u";
  WriteFile(list, m3u);
  std::printf("%d entries, %d runs each, files in %s\n\n", entries, runs, dir.c_str());
  std::printf("%-34s %10s %10s %14s\n", "open .m3u", "min ms", "median ms", "longest block");

  auto row = [&](const char* what, int mode, unsigned threads, bool cold) {
    const Runs r = Measure(list, mode, threads, runs, cold, entries);
    std::printf("%-34s %10.1f %10.1f %11.1f ms\n", what, r.min * 1000.0, r.median * 1000.0, r.longestBlock * 1000.0);
    return r;
  };
  (void)Measure(list, 2, 0, 1, false, entries);  // fills the page cache
  row("file names (mode 0), warm", 0, 0, false);
  const Runs warmOne = row("tags (mode 2), one thread, warm", 2, 1, false);
  const Runs warmPool = row("tags (mode 2), pool, warm", 2, 0, false);
  const Runs coldOne = row("tags (mode 2), one thread, cold", 2, 1, true);
  const Runs coldPool = row("tags (mode 2), pool, cold", 2, 0, true);
  std::printf("\nwarm median: pool %.1f ms (goal <= 300 ms) %s; pool/one %.2f\n", warmPool.median * 1000.0,
              warmPool.median <= 0.3 ? "ok" : "OVER", warmPool.median / warmOne.median);
  std::printf("cold median: pool/one %.2f (goal <= 0.50) %s\n", coldPool.median / coldOne.median,
              coldPool.median <= 0.5 * coldOne.median ? "ok" : "OVER");
  std::printf("longest time without events, pool: warm %.1f ms, cold %.1f ms (goal <= 100 ms) %s\n",
              warmPool.longestBlock * 1000.0, coldPool.longestBlock * 1000.0,
              std::max(warmPool.longestBlock, coldPool.longestBlock) <= 0.1 ? "ok" : "OVER");

  std::filesystem::remove_all(dir);
  return 0;
}

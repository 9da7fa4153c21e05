// Reads the tags of many small tagged MP3 files and prints files per second
// for the tag summary (both readings), for TagLib (when built with it) and for the floor:
// open, read the first 10 and the last 128 bytes, close.
//
//   bench_tags [file count, default 10000] [rounds, default 7]
#include "support/TagBytes.h"
#include "tags/Kid3lib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#ifdef VELMARIS_BENCH_TAGLIB
#include <taglib/fileref.h>
#include <taglib/tag.h>
#endif

namespace {

using namespace testsupport;

std::vector<std::string> MakeFiles(const std::string& dir, size_t count) {
  std::vector<std::string> paths;
  paths.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    const std::string tag = Id3v2Tag(
        3,
        {Id3v2TextFrame("TIT2", "Song number " + n), Id3v2TextFrame("TPE1", "Some Artist"),
         Id3v2TextFrame("TALB", "An Album Title"), Id3v2TextFrame("TRCK", std::to_string(i % 20 + 1) + "/20"),
         Id3v2TextFrame("TYER", "2024"), Id3v2TextFrame("TCON", "(17)Rock"),
         Id3v2Frame("COMM", std::string("\0eng\0", 5) + "A comment")},
        256);
    Id3v1Fields v1;
    v1.title = "Song number " + n;
    v1.artist = "Some Artist";
    v1.album = "An Album Title";
    v1.year = "2024";
    v1.byte125 = 0;
    v1.byte126 = static_cast<int>(i % 20 + 1);
    v1.genre = 17;
    const std::string path = dir + "/song" + n + ".mp3";
    std::ofstream out(path, std::ios::binary);
    out << tag << SilentMpegFrames(4, static_cast<uint8_t>(i)) << Id3v1Block(v1);
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      std::exit(1);
    }
    paths.push_back(path);
  }
  return paths;
}

// Processor time (user + system) this process has used: unlike wall time it
// does not grow when other programs keep the machine busy.
double CpuSeconds() {
  timespec ts;
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Reader {
  const char* name;
  std::function<size_t(const std::string&)> readOne;
  double best = 0;    // files per second of wall time, best round
  double bestCpu = 0; // files per second of this process's processor time
  size_t check = 0; // what a pass adds up, so the work cannot be skipped
};

// Runs the readers in turn, round after round, so that a busy machine
// disturbs them alike; keeps each reader's best round.
void Measure(std::vector<Reader>& readers, const std::vector<std::string>& files, int rounds) {
  for (Reader& r : readers) // warm the cache
    for (const std::string& f : files) r.check += r.readOne(f);
  for (int round = 0; round < rounds; ++round) {
    for (Reader& r : readers) {
      size_t sum = 0;
      const double c0 = CpuSeconds();
      auto t0 = std::chrono::steady_clock::now();
      for (const std::string& f : files) sum += r.readOne(f);
      double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      const double cpu = CpuSeconds() - c0;
      r.best = std::max(r.best, static_cast<double>(files.size()) / secs);
      if (cpu > 0) r.bestCpu = std::max(r.bestCpu, static_cast<double>(files.size()) / cpu);
      if (sum != r.check) std::fprintf(stderr, "%s: results differ between rounds\n", r.name);
    }
  }
  std::printf("%-28s %14s %14s\n", "", "files/s wall", "files/s cpu");
  for (const Reader& r : readers)
    std::printf("%-28s %14.0f %14.0f   (check %zu)\n", r.name, r.best, r.bestCpu, r.check);
}

size_t Floor(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  unsigned char head[10], tail[128];
  struct stat st;
  size_t got = 0;
  if (::fstat(fd, &st) == 0 && st.st_size >= 128) {
    if (::pread(fd, head, sizeof head, 0) == 10) got += head[3];
    if (::pread(fd, tail, sizeof tail, st.st_size - 128) == 128) got += tail[0] == 'T';
  }
  ::close(fd);
  return got;
}

} // namespace

int main(int argc, char** argv) {
  const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 10000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  std::string tmpl = (std::filesystem::temp_directory_path() / "velmaris-bench-tags-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  const std::string dir = tmpl;
  std::printf("making %zu tagged MP3 files in %s\n", count, dir.c_str());
  const std::vector<std::string> files = MakeFiles(dir, count);

  std::vector<Reader> readers;
  readers.push_back({"ReadSimpleID3", [](const std::string& f) {
                       KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(f);
                       return s.Title.size() + s.Track.size() + s.Genre.size();
                     }});
  readers.push_back({"ReadSimpleID3 AllVersions", [](const std::string& f) {
                       KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(f, KID3Lib::TagReading::AllVersions);
                       return s.Title.size() + s.Track.size() + s.Genre.size();
                     }});
  readers.push_back({"floor (open, 10 + 128 B)", Floor});
#ifdef VELMARIS_BENCH_TAGLIB
  readers.push_back({"TagLib FileRef (no audio)", [](const std::string& f) {
                       TagLib::FileRef ref(f.c_str(), false);
                       if (ref.isNull() || !ref.tag()) return size_t{0};
                       return static_cast<size_t>(ref.tag()->title().size() +
                                                  std::to_string(ref.tag()->track()).size() +
                                                  ref.tag()->genre().size());
                     }});
#endif
  Measure(readers, files, rounds);
  const Reader& ours = readers[0];
  const Reader& all = readers[1];
  const Reader& floor = readers[2];
  std::printf("ReadSimpleID3 / floor:  wall %.2f, cpu %.2f (goal: within 1.5x, i.e. >= 0.67)\n",
              ours.best / floor.best, ours.bestCpu / floor.bestCpu);
  std::printf("AllVersions / classic:  wall %.2f, cpu %.2f (goal: within 10 %%, i.e. >= 0.90)\n",
              all.best / ours.best, all.bestCpu / ours.bestCpu);
#ifdef VELMARIS_BENCH_TAGLIB
  std::printf("ReadSimpleID3 / TagLib: wall %.2f, cpu %.2f (goal: >= 3)\n",
              ours.best / readers[3].best, ours.bestCpu / readers[3].bestCpu);
  std::printf("AllVersions / TagLib:   wall %.2f, cpu %.2f\n", all.best / readers[3].best,
              all.bestCpu / readers[3].bestCpu);
#else
  std::printf("TagLib: not built in (package libtag1-dev missing)\n");
#endif
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return 0;
}

// Decoding CPU per minute of audio: the FLAC, Opus and Ogg Vorbis decoders
// against the reference tools (flac -d, opusdec, oggdec) on the same files,
// in the same run. The tools write to a pipe read by nothing but /dev/null,
// so neither side pays for a disk.
//
//   bench_decode [minutes of audio, default 3] [rounds, default 5]
#include "platform/AudioDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

double ProcessCpu() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ChildrenCpu() {
  rusage r{};
  getrusage(RUSAGE_CHILDREN, &r);
  auto s = [](const timeval& v) { return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) * 1e-6; };
  return s(r.ru_utime) + s(r.ru_stime);
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// CPU seconds of one whole decode; the frames go nowhere.
double DecodeCpu(const std::string& path, int64_t& frames) {
  const double start = ProcessCpu();
  std::unique_ptr<AudioDecoder> d = OpenExtraFormatDecoder(path);
  std::vector<uint8_t> buf(4096 * 8);
  frames = 0;
  while (size_t n = d->Read(buf.data(), 4096)) frames += static_cast<int64_t>(n);
  return ProcessCpu() - start;
}

double ToolCpu(const std::string& command) {
  const double start = ChildrenCpu();
  if (!Run(command)) std::fprintf(stderr, "failed: %s\n", command.c_str());
  return ChildrenCpu() - start;
}

} // namespace

int main(int argc, char** argv) {
  const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char tmpl[] = "/tmp/velmaris-bench-decode-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = std::string(tmpl) + "/";
  // Music-like input: noise shaped like music's spectrum under two moving tones.
  const std::string wav = dir + "in.wav";
  if (!Run("sox -D -n -r 44100 -c 2 -b 16 " + wav + " synth " + std::to_string(minutes * 60) +
           " pinknoise sine 100-4000 vol 0.4 2>/dev/null") ||
      !Run("flac -s -f -o " + dir + "a.flac " + wav) || !Run("oggenc -Q -o " + dir + "a.ogg " + wav) ||
      !Run("opusenc --quiet " + wav + " " + dir + "a.opus"))
    return 1;
  struct Format {
    const char* name;
    std::string file, tool;
    int rate;
  } formats[] = {
      {"FLAC", dir + "a.flac", "flac -s -d -c " + dir + "a.flac > /dev/null", 44100},
      {"Opus", dir + "a.opus", "opusdec --quiet --float --rate 48000 " + dir + "a.opus - > /dev/null", 48000},
      {"Vorbis", dir + "a.ogg", "oggdec -Q -R -o - " + dir + "a.ogg > /dev/null", 44100},
  };
  std::printf("%d min of audio, best of %d rounds; CPU seconds per minute of audio\n", minutes, rounds);
  std::printf("%-8s %12s %12s %8s\n", "format", "Velmaris", "reference", "ratio");
  for (const Format& f : formats) {
    double ours = 1e9, theirs = 1e9;
    int64_t frames = 0;
    for (int r = 0; r < rounds; ++r) { // alternated, so both see the same machine
      ours = std::min(ours, DecodeCpu(f.file, frames));
      theirs = std::min(theirs, ToolCpu(f.tool));
    }
    const double audioMinutes = static_cast<double>(frames) / f.rate / 60.0;
    std::printf("%-8s %12.4f %12.4f %8.2f\n", f.name, ours / audioMinutes, theirs / audioMinutes, ours / theirs);
  }
  Run("rm -rf " + dir);
  return 0;
}

// Reads the Vorbis comments of many FLAC files (written by the flac encoder,
// with its seek table and padding, and a cover picture before the comment in
// every fourth file) and prints files per second for the tag summary and for
// TagLib (when built with it) in the same run.
//
//   bench_vorbis_tags [file count, default 10000] [rounds, default 5]
#include "tags/Kid3lib.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#ifdef VELMARIS_BENCH_TAGLIB
#include <taglib/flacfile.h>
#include <taglib/tag.h>
#endif

namespace {

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

double Seconds(const std::function<size_t()>& pass, size_t& shown) {
  const auto start = std::chrono::steady_clock::now();
  shown = pass();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
  const size_t count = argc > 1 ? static_cast<size_t>(std::max(1, std::atoi(argv[1]))) : 10000;
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char tmpl[] = "/tmp/velmaris-bench-vc-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const std::string dir = std::string(tmpl) + "/";
  const std::string tags =
      " -T 'TITLE=A song title' -T 'ARTIST=Some Artist' -T 'ALBUM=An Album Title' -T TRACKNUMBER=3/12"
      " -T DATE=2004-05-03 -T GENRE=Jazz -T 'COMMENT=ripped for the benchmark'";
  if (!Run("sox -D -n -r 44100 -c 2 -b 16 " + dir + "s.wav synth 0.2 pinknoise 2>/dev/null") ||
      !Run("head -c 60000 /dev/urandom > " + dir + "cover.jpg") ||
      !Run("flac -s -f" + tags + " -o " + dir + "plain.flac " + dir + "s.wav") ||
      !Run("flac -s -f" + tags + " --picture='3|image/jpeg||300x300x24|" + dir + "cover.jpg' -o " + dir + "picture.flac " + dir + "s.wav"))
    return 1;
  std::vector<std::string> paths;
  for (size_t i = 0; i < count; ++i) {
    paths.push_back(dir + std::to_string(i) + ".flac");
    std::filesystem::copy_file(dir + (i % 4 == 0 ? "picture.flac" : "plain.flac"), paths.back());
  }
  const auto ours = [&] {
    size_t shown = 0;
    for (const std::string& p : paths) shown += !KID3Lib::ReadSimpleID3(p).Title.empty();
    return shown;
  };
#ifdef VELMARIS_BENCH_TAGLIB
  const auto taglib = [&] {
    size_t shown = 0;
    for (const std::string& p : paths) {
      TagLib::FLAC::File f(p.c_str(), false); // no audio properties: tags only
      const TagLib::Tag* t = f.tag();
      if (!t) continue;
      // The same texts the summary gives, as UTF-8.
      const std::string title = t->title().to8Bit(true);
      (void)t->artist().to8Bit(true), (void)t->album().to8Bit(true), (void)t->genre().to8Bit(true);
      (void)t->track(), (void)t->year();
      shown += !title.empty();
    }
    return shown;
  };
#endif
  double bestOurs = 1e9, bestTaglib = 1e9;
  size_t shownOurs = 0, shownTaglib = 0;
  ours(); // the page cache warm for both
  for (int r = 0; r < rounds; ++r) {
    bestOurs = std::min(bestOurs, Seconds(ours, shownOurs));
#ifdef VELMARIS_BENCH_TAGLIB
    bestTaglib = std::min(bestTaglib, Seconds(taglib, shownTaglib));
#endif
  }
  std::printf("%zu FLAC files (a picture in every fourth), best of %d rounds\n", count, rounds);
  std::printf("Velmaris tag summary: %9.0f files/s (%zu titles)\n", count / bestOurs, shownOurs);
#ifdef VELMARIS_BENCH_TAGLIB
  std::printf("TagLib FLAC::File:    %9.0f files/s (%zu titles)\n", count / bestTaglib, shownTaglib);
  std::printf("ratio: %.1fx TagLib\n", bestTaglib / bestOurs);
#endif
  Run("rm -rf " + dir);
  return 0;
}

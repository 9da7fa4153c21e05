// Measurements of the media device while it plays (numbers for the record,
// not pass/fail tests). Run through bench/playback/run.sh, or by hand:
//
//   bench_playback cpu <song.mp3> <seconds>       CPU share and memory while playing
//   bench_playback gap <a.mp3> <b.mp3> [rounds]   silence between two songs played back to back
//   bench_playback position <song.mp3> <seconds>  reported position against what went out
//   bench_playback open <song.mp3>...             time to open each song
//   bench_playback queue <a.mp3> <b.mp3>...        plays the songs in a row, each queued
//                                                  while the one before plays (gapless),
//                                                  with any output driver; prints the
//                                                  open time of the output and the changes
//   [--buffer-ms N] before the mode: another output buffer length
//
// gap and position want SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE set; cpu
// works with any driver (dummy plays in real time without a card).
#include <sys/resource.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioPlayerDevice.h"

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t len = std::strlen(key);
  while (std::getline(status, line))
    if (line.compare(0, len, key) == 0) return std::atol(line.c_str() + len);
  return -1;
}

// Runs the event loop for `d`, calling `each` every `everyMs` milliseconds.
void RunEventsFor(Clock::duration d, const std::function<void()>& each = {}, int everyMs = 100) {
  QEventLoop loop;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  QObject::connect(&tick, &QTimer::timeout, [&] { each(); });
  if (each) tick.start(everyMs);
  QTimer::singleShot(static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()),
                     Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}

bool RunEventsUntil(const std::function<bool()>& done, Clock::duration limit) {
  const auto end = Clock::now() + limit;
  QEventLoop loop;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (done() || Clock::now() > end) loop.quit();
  });
  tick.start(5);
  if (!done()) loop.exec();
  return done();
}

std::vector<int16_t> ReadPcm(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<int16_t> pcm(bytes.size() / 2);
  if (!pcm.empty()) std::memcpy(pcm.data(), bytes.data(), pcm.size() * 2);
  return pcm;
}

bool Silent(const std::vector<int16_t>& pcm, size_t frame) {
  return std::abs(pcm[2 * frame]) < 64 && std::abs(pcm[2 * frame + 1]) < 64;
}

int Cpu(const char* song, int seconds) {
  AudioPlayerDevice device(nullptr);
  const long rssBefore = StatusKb("VmRSS:");
  const auto t0 = Clock::now();
  device.Open(song);
  const double openMs = Ms(Clock::now() - t0);
  device.Play();
  RunEventsFor(1s);  // settle: buffers filled, threads running
  const double cpu0 = CpuSeconds();
  const auto w0 = Clock::now();
  long rssMax = 0;
  RunEventsFor(std::chrono::seconds(seconds), [&] { rssMax = std::max(rssMax, StatusKb("VmRSS:")); }, 500);
  const double cpu = CpuSeconds() - cpu0;
  const double wall = Ms(Clock::now() - w0) / 1000.0;
  std::printf("cpu: %s\n  open %.2f ms, played %.1f s, CPU %.3f s = %.2f%% of one core\n", song, openMs, wall, cpu,
              100.0 * cpu / wall);
  std::printf("  resident memory: %ld kB before open, %ld kB at most while playing (+%ld kB)\n", rssBefore, rssMax,
              rssMax - rssBefore);
  std::printf("  position after %.1f s: %lld ms, mode %d\n", wall + 1, static_cast<long long>(device.Position()),
              static_cast<int>(device.Mode()));
  return 0;
}

int Gap(const char* a, const char* b, int rounds) {
  const char* out = std::getenv("SDL_DISKAUDIOFILE");
  if (!out) {
    std::fprintf(stderr, "gap needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
    return 2;
  }
  std::vector<double> handlerMs;
  {
    AudioPlayerDevice device(nullptr);
    int songsLeft = 2 * rounds;
    bool nextIsB = true;
    device.SetEventHandler([&](const MediaEvent& event) {
      // What the player does when a song ends: open the next one and play it.
      if (event.kind != MediaEvent::Kind::SongFinished || --songsLeft <= 0) return;
      const auto t = Clock::now();
      device.Open(nextIsB ? b : a);
      device.Play();
      handlerMs.push_back(Ms(Clock::now() - t));
      nextIsB = !nextIsB;
    });
    device.Open(a);
    device.Play();
    if (!RunEventsUntil([&] { return songsLeft <= 0; }, std::chrono::seconds(60 * rounds)))
      std::fprintf(stderr, "gap: timed out\n");
    RunEventsFor(100ms);
  }
  const auto pcm = ReadPcm(out);
  const size_t frames = pcm.size() / 2;
  size_t first = 0, last = frames;
  while (first < frames && Silent(pcm, first)) ++first;
  while (last > first && Silent(pcm, last - 1)) --last;
  // Silent runs inside the sound are the gaps between songs.
  std::vector<size_t> gaps;
  size_t run = 0;
  for (size_t i = first; i < last; ++i) {
    if (Silent(pcm, i)) {
      ++run;
    } else if (run > 0) {
      gaps.push_back(run);
      run = 0;
    }
  }
  std::sort(gaps.begin(), gaps.end(), std::greater<>());
  gaps.resize(std::min<size_t>(gaps.size(), static_cast<size_t>(2 * rounds - 1)));
  std::printf("gap: %s -> %s, %d song changes\n", a, b, 2 * rounds - 1);
  double worst = 0, sum = 0;
  for (size_t g : gaps) {
    worst = std::max(worst, g * 1000.0 / 44100.0);
    sum += g * 1000.0 / 44100.0;
  }
  std::printf("  silence between songs: longest %.1f ms, mean %.1f ms (%zu silent runs found)\n", worst,
              gaps.empty() ? 0.0 : sum / static_cast<double>(gaps.size()), gaps.size());
  double hmax = 0;
  for (double h : handlerMs) hmax = std::max(hmax, h);
  std::printf("  Open+Play in the completion handler: at most %.2f ms\n", hmax);
  return 0;
}

int Position(const char* song, int seconds) {
  const char* out = std::getenv("SDL_DISKAUDIOFILE");
  if (!out) {
    std::fprintf(stderr, "position needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
    return 2;
  }
  struct Sample {
    double wallMs;
    int64_t positionMs;
    long long fileFrames;
  };
  std::vector<Sample> samples;
  samples.reserve(10000);
  int rate = 0;
  {
    AudioPlayerDevice device(nullptr);
    device.Open(song);
    rate = device.SampleRate();
    device.Play();
    const auto start = Clock::now();
    RunEventsFor(std::chrono::seconds(seconds), [&] {
      // A reading counts only when the output file did not grow while the
      // position was taken; otherwise the two would straddle a buffer.
      struct stat before{}, after{};
      stat(out, &before);
      const int64_t position = device.Position();
      stat(out, &after);
      if (before.st_size != after.st_size) return;
      samples.push_back({Ms(Clock::now() - start), position, static_cast<long long>(after.st_size / 4)});
    }, 3);
  }
  // The first sounding frame in the file is where the song's position 0 went out.
  const auto pcm = ReadPcm(out);
  size_t first = 0;
  while (first < pcm.size() / 2 && pcm[2 * first] == 0 && pcm[2 * first + 1] == 0) ++first;
  double worstOut = 0, sumOut = 0, worstWall = 0, sumWall = 0;
  std::vector<double> errors;
  size_t n = 0;
  for (const Sample& s : samples) {
    if (s.wallMs < 200) continue;  // let the output settle
    const double outMs = static_cast<double>(s.fileFrames - static_cast<long long>(first)) * 1000.0 / rate;
    worstOut = std::max(worstOut, std::abs(static_cast<double>(s.positionMs) - outMs));
    sumOut += std::abs(static_cast<double>(s.positionMs) - outMs);
    errors.push_back(std::abs(static_cast<double>(s.positionMs) - outMs));
    const double wallErr = static_cast<double>(s.positionMs) - s.wallMs;
    worstWall = std::max(worstWall, std::abs(wallErr));
    sumWall += wallErr;
    ++n;
  }
  std::printf("position: %s, %zu readings over %d s\n", song, n, seconds);
  std::printf("  against frames written out: worst %.1f ms, mean %.1f ms\n", worstOut,
              n ? sumOut / static_cast<double>(n) : 0.0);
  if (!errors.empty()) {
    std::sort(errors.begin(), errors.end());
    const auto at = [&](double q) { return errors[static_cast<size_t>(q * static_cast<double>(errors.size() - 1))]; };
    const auto over30 = std::count_if(errors.begin(), errors.end(), [](double e) { return e > 30.0; });
    std::printf("  error percentiles: 50%% %.1f ms, 99%% %.1f ms, 99.9%% %.1f ms; %ld of %zu readings over 30 ms\n",
                at(0.5), at(0.99), at(0.999), static_cast<long>(over30), errors.size());
  }
  std::printf("  against the wall clock since Play: worst %.1f ms, mean %+.1f ms\n", worstWall,
              n ? sumWall / static_cast<double>(n) : 0.0);
  return 0;
}

int Open(int argc, char** argv) {
  AudioPlayerDevice device(nullptr);
  for (int i = 0; i < argc; ++i) {
    for (int round = 0; round < 3; ++round) {
      const auto t = Clock::now();
      device.Open(argv[i]);
      const double ms = Ms(Clock::now() - t);
      if (round == 2) {
        const int64_t atOpen = device.Length();
        std::this_thread::sleep_for(300ms);  // a background length scan, if any, is done by now
        std::printf("open: %s: %.2f ms (third open), length %lld ms at open, %lld ms 0.3 s later\n", argv[i], ms,
                    static_cast<long long>(atOpen), static_cast<long long>(device.Length()));
      }
    }
  }
  return 0;
}

// Plays the songs back to back as a gapless player does: each next song is
// queued while the one before plays: the device alone, without the program
// around it, under any output driver.
int Queue(int argc, char** argv) {
  const auto t0 = Clock::now();
  AudioPlayerDevice device(nullptr);
  int index = 0, changes = 0;
  const auto queueNext = [&] {
    if (index + 1 >= argc) return;
    std::string reason;
    if (!device.QueueNext(argv[index + 1], &reason)) std::fprintf(stderr, "queue: %s\n", reason.c_str());
  };
  // The loop sleeps until the device reports (no polling timer, so the
  // CPU share is the device's own).
  QEventLoop loop;
  device.SetEventHandler([&](const MediaEvent& event) {
    if (event.kind == MediaEvent::Kind::SongFinished) loop.quit();
    if (event.kind != MediaEvent::Kind::QueuedSongAudible) return;
    ++index;
    ++changes;
    std::printf("  now playing %s, position %lld ms\n", argv[index], static_cast<long long>(device.Position()));
    queueNext();
  });
  device.Open(argv[0]);
  device.Play();
  const double playMs = Ms(Clock::now() - t0);
  queueNext();
  std::printf("queue: first Play %.1f ms after start\n", playMs);
  std::fflush(stdout);
  loop.exec();
  std::printf("  %d gapless changes\n", changes);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s cpu|gap|position|open|queue ...\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  try {
    if (mode == "cpu") return Cpu(argv[2], argc > 3 ? std::atoi(argv[3]) : 30);
    if (mode == "gap" && argc >= 4) return Gap(argv[2], argv[3], argc > 4 ? std::atoi(argv[4]) : 3);
    if (mode == "position") return Position(argv[2], argc > 3 ? std::atoi(argv[3]) : 10);
    if (mode == "open") return Open(argc - 2, argv + 2);
    if (mode == "queue") return Queue(argc - 2, argv + 2);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
  return 2;
}

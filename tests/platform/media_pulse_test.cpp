// The real media device through a private PulseAudio server with a null
// sink, whose monitor the test records: songs follow sample for sample, the
// stream's volume goes both ways, a paused stream is corked and named after
// the song, a server that dies is noticed and one that never answers is
// given up on. (The null sink renders ahead into its monitor, so what a
// flush drops is still recorded; exact pauses are tested through the
// simulated output.)
#include <gtest/gtest.h>
#include <pulse/pulseaudio.h>
#include <pulse/simple.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "media_test_support.h"
#include "platform/AudioPlayerDevice.h"
#include "platform/PulseAudioOutput.h"
#include "platform/pulse_test_connection.h"
#include "support/TempDir.h"

extern char** environ;

using mediatest::Decode;
using mediatest::Fixture;
using mediatest::kRate;
using mediatest::kSongX;
using mediatest::kSongY;
using mediatest::RunFor;
using mediatest::RunUntil;
using testsupport::TempDir;

namespace {

using Kind = MediaEvent::Kind;
constexpr int64_t kWithinMs = 100;

int64_t MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// A PulseAudio server of our own, with one null sink ("out"); it can be
// killed and started again on the same socket.
class PrivateServer {
public:
  explicit PrivateServer(const TempDir& dir) : socket_(dir.File("native")) {
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", dir.Path().c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
    Start();
  }
  ~PrivateServer() {
    Kill();
    unsetenv("PULSE_SERVER");
  }
  void Start() {
    const std::string sink = "module-null-sink sink_name=out rate=44100 format=s16le channels=2";
    const std::string protocol = "module-native-protocol-unix auth-anonymous=1 socket=" + socket_;
    std::vector<std::string> args = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                     "--use-pid-file=no", "--disallow-exit", "-L", sink, "-L", protocol};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, "pulseaudio", &actions, nullptr, argv.data(), environ) != 0) pid_ = 0;
    posix_spawn_file_actions_destroy(&actions);
    ready_ = false;
    const auto start = std::chrono::steady_clock::now();
    while (pid_ > 0 && !ready_ && MsSince(start) < 10000) {
      PulseTestConnection probe;
      ready_ = probe.Connect();
      if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  bool Ready() const { return ready_; }

private:
  std::string socket_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

// Records the null sink's monitor on a thread of its own.
class MonitorRecorder {
public:
  MonitorRecorder() {
    pa_sample_spec sampleFormat{PA_SAMPLE_S16NE, kRate, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.fragsize = 441 * 4 * 5;  // 50 ms
    int error = 0;
    simple_ = pa_simple_new(nullptr, "media_pulse_test", PA_STREAM_RECORD, "out.monitor", "monitor", &sampleFormat,
                            nullptr, &attr, &error);
    if (simple_) thread_ = std::thread([this] { Run(); });
  }
  ~MonitorRecorder() { Stop(); }
  bool Recording() const { return simple_ != nullptr; }
  std::vector<int16_t> Stop() {
    stop_.store(true);
    if (thread_.joinable()) thread_.join();
    if (simple_) pa_simple_free(simple_);
    simple_ = nullptr;
    return pcm_;
  }

private:
  void Run() {
    std::vector<int16_t> chunk(441 * 2);
    while (!stop_.load()) {
      int error = 0;
      if (pa_simple_read(simple_, chunk.data(), chunk.size() * 2, &error) < 0) return;
      pcm_.insert(pcm_.end(), chunk.begin(), chunk.end());
    }
  }

  pa_simple* simple_ = nullptr;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::vector<int16_t> pcm_;
};

// What the server knows of our stream (the only one playing).
struct ServerView {
  bool found = false;
  uint32_t index = 0;
  uint32_t volume = 0;  // the louder channel, 0..PA_VOLUME_NORM
  bool corked = false;
  std::string name;
};

// Runs `ask` on a connection of its own and waits for its operation.
void AskServer(const std::function<pa_operation*(pa_context*, pa_threaded_mainloop*)>& ask) {
  PulseTestConnection pulse;
  if (!pulse.Connect()) return;
  pa_threaded_mainloop_lock(pulse.loop);
  pa_operation* op = ask(pulse.context, pulse.loop);
  while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(pulse.loop);
  if (op) pa_operation_unref(op);
  pa_threaded_mainloop_unlock(pulse.loop);
}

ServerView OurStream() {
  struct Query {
    pa_threaded_mainloop* loop;
    ServerView view;
  } query{nullptr, {}};
  AskServer([&](pa_context* context, pa_threaded_mainloop* loop) {
    query.loop = loop;
    return pa_context_get_sink_input_info_list(
        context,
        [](pa_context*, const pa_sink_input_info* info, int, void* user) {
          auto* q = static_cast<Query*>(user);
          if (info) {
            q->view.found = true;
            q->view.index = info->index;
            q->view.volume = pa_cvolume_max(&info->volume);
            q->view.corked = info->corked != 0;
            const char* name = pa_proplist_gets(info->proplist, PA_PROP_MEDIA_NAME);
            q->view.name = name ? name : "";
          }
          pa_threaded_mainloop_signal(q->loop, 0);
        },
        &query);
  });
  return query.view;
}

void SetStreamFromOutside(uint32_t index, pa_volume_t volume, bool mute) {
  AskServer([&](pa_context* context, pa_threaded_mainloop* loop) {
    pa_cvolume cv;
    pa_cvolume_set(&cv, 2, volume);
    const auto done = [](pa_context*, int, void* l) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(l), 0); };
    if (mute) return pa_context_set_sink_input_mute(context, index, 1, done, loop);
    return pa_context_set_sink_input_volume(context, index, &cv, done, loop);
  });
}

size_t LongestInnerSilence(const std::vector<int16_t>& pcm) {
  const size_t first = mediatest::FirstSoundingFrame(pcm), end = mediatest::LastSoundingFrameEnd(pcm);
  size_t longest = 0, run = 0;
  for (size_t i = first; i < end; ++i) {
    run = pcm[2 * i] == 0 && pcm[2 * i + 1] == 0 ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

// Where `pattern` (whole frames) first occurs in `pcm`; npos when it does not.
size_t Find(const std::vector<int16_t>& pcm, const std::vector<int16_t>& pattern) {
  const auto at = std::search(pcm.begin(), pcm.end(), pattern.begin(), pattern.end());
  if (at == pcm.end()) return std::string::npos;
  const auto index = static_cast<size_t>(at - pcm.begin());
  return index % 2 == 0 ? index / 2 : std::string::npos;
}

// Wake-ups of every thread of this process but the calling one.
long OtherThreadsWakeUps() {
  long total = 0;
  const std::string self = std::to_string(gettid());
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    if (task.path().filename() == self) continue;
    std::ifstream status(task.path() / "status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::stol(line.substr(24));
  }
  return total;
}

class MediaPulseTest : public ::testing::Test {
protected:
  void SetUp() override {
    mediatest::App();
    unsetenv("SDL_AUDIODRIVER");  // the server's stream, not SDL
    server_ = std::make_unique<PrivateServer>(dir_);
    ASSERT_TRUE(server_->Ready()) << "pulseaudio did not start (scripts/install-deps.sh test installs it)";
    recorder_ = std::make_unique<MonitorRecorder>();
    ASSERT_TRUE(recorder_->Recording());
    RunFor(200);  // the recorder's stream is up before anything plays
  }
  void TearDown() override {
    device_.reset();
    recorder_.reset();
    server_.reset();
  }

  AudioPlayerDevice& MakeDevice(std::unique_ptr<AudioOutput> output = nullptr) {
    device_ = std::make_unique<AudioPlayerDevice>(nullptr, output ? std::move(output) : std::make_unique<PulseAudioOutput>());
    device_->SetEventHandler([this](const MediaEvent& e) {
      told_.push_back(e);
      if (e.kind == Kind::QueuedSongAudible) atChange_ = device_->PositionAndLength();
    });
    return *device_;
  }
  int Count(Kind kind) const {
    return static_cast<int>(std::count_if(told_.begin(), told_.end(), [kind](const MediaEvent& e) { return e.kind == kind; }));
  }
  const MediaEvent* Last(Kind kind) const {
    for (auto it = told_.rbegin(); it != told_.rend(); ++it)
      if (it->kind == kind) return &*it;
    return nullptr;
  }

  TempDir dir_;
  std::unique_ptr<PrivateServer> server_;
  std::unique_ptr<MonitorRecorder> recorder_;
  std::unique_ptr<AudioPlayerDevice> device_;
  std::vector<MediaEvent> told_;
  MediaDevice::Times atChange_{};
};

TEST_F(MediaPulseTest, QueuedSongFollowsSampleForSampleAndIsAnnouncedWhenHeard) {
  auto& device = MakeDevice();
  device.Open(Fixture(kSongX));
  ASSERT_TRUE(device.QueueNext(Fixture(kSongY)));
  device.Play();
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::SongFinished) == 1; }, 10000));
  RunFor(100);
  const std::vector<int16_t> out = recorder_->Stop();
  // x's last 256 frames, then y's first 256, with nothing between them.
  const std::vector<int16_t> x = Decode(Fixture(kSongX)), y = Decode(Fixture(kSongY));
  std::vector<int16_t> seam(x.end() - 512, x.end());
  const long yStart = 2 * static_cast<long>(mediatest::FirstSoundingFrame(y));
  seam.insert(seam.end(), y.begin() + yStart, y.begin() + yStart + 512);
  EXPECT_NE(Find(out, seam), std::string::npos);
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 1);
  EXPECT_LT(atChange_.position, kWithinMs);
  EXPECT_EQ(atChange_.length, 2700);
}

TEST_F(MediaPulseTest, AChangeOfRateBetweenSongsLeavesLessThan150MsOfSilence) {
  auto& device = MakeDevice();
  device.Open(Fixture(kSongX));
  ASSERT_TRUE(device.QueueNext(Fixture("tone48k_1s.mp3")));
  device.Play();
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::SongFinished) == 1; }, 10000));
  const std::vector<int16_t> out = recorder_->Stop();
  const double silenceMs = LongestInnerSilence(out) * 1000.0 / kRate;
  std::printf("silence at 44.1 -> 48 kHz through the server: %.1f ms\n", silenceMs);
  EXPECT_LT(silenceMs, 150.0);
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 1);
}

TEST_F(MediaPulseTest, TheStreamsVolumeGoesBothWaysWithin100Ms) {
  auto& device = MakeDevice();
  device.SetVolume(0x80008000u);
  device.Open(Fixture(kSongY));
  device.Play();
  ASSERT_TRUE(RunUntil([] { return OurStream().volume == pa_sw_volume_from_linear(0x8000 / 65535.0); }, 1000));
  device.SetVolume(0x40004000u);
  auto changed = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([] { return OurStream().volume == pa_sw_volume_from_linear(0x4000 / 65535.0); }, 1000));
  EXPECT_LE(MsSince(changed), kWithinMs);

  // The desktop's mixer: the new volume, then a mute, come back as notices.
  const uint32_t index = OurStream().index;
  changed = std::chrono::steady_clock::now();
  SetStreamFromOutside(index, PA_VOLUME_NORM / 2, false);
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::VolumeChangedOutside) == 1; }, 1000));
  EXPECT_LE(MsSince(changed), kWithinMs);
  const uint32_t half = Last(Kind::VolumeChangedOutside)->volume;
  EXPECT_EQ(half & 0xFFFFu, half >> 16);
  EXPECT_NEAR(static_cast<double>(half & 0xFFFFu), pa_sw_volume_to_linear(PA_VOLUME_NORM / 2) * 65535, 1.0);
  SetStreamFromOutside(index, 0, true);
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::VolumeChangedOutside) == 2; }, 1000));
  EXPECT_EQ(Last(Kind::VolumeChangedOutside)->volume, 0u);
  RunFor(100);
  EXPECT_EQ(Count(Kind::VolumeChangedOutside), 2) << "our own changes and corks are no news";
}

TEST_F(MediaPulseTest, APausedStreamIsCorkedWritesNothingAndCarriesTheSongsName) {
  auto& device = MakeDevice();
  device.SetTitle("Artist - Title");
  device.Open(Fixture(kSongY));
  device.Play();
  ASSERT_TRUE(RunUntil([] { return OurStream().name == "Artist - Title" && !OurStream().corked; }, 1000));
  device.SetTitle("Another Song");
  ASSERT_TRUE(RunUntil([] { return OurStream().name == "Another Song"; }, 1000));
  device.Pause();
  ASSERT_TRUE(RunUntil([] { return OurStream().corked; }, 1000));
  recorder_->Stop();  // its own thread would wake us
  RunFor(50);
  const long before = OtherThreadsWakeUps();
  const auto start = std::chrono::steady_clock::now();
  RunFor(1000);
  const double perSecond = (OtherThreadsWakeUps() - before) * 1000.0 / static_cast<double>(MsSince(start));
  std::printf("paused: %.1f wake-ups/s of the player's threads\n", perSecond);
  EXPECT_LT(perSecond, 20.0);
  device.Resume();
  ASSERT_TRUE(RunUntil([] { return !OurStream().corked; }, 1000));
  device.Stop();
  EXPECT_TRUE(RunUntil([] { return OurStream().corked; }, 1000));
}

TEST_F(MediaPulseTest, AServerKilledWhilePlayingStopsWithOneNoticeAndTheNextPlayReconnects) {
  auto& device = MakeDevice();
  device.Open(Fixture(kSongY));
  device.Play();
  ASSERT_TRUE(RunUntil([&] { return device.Position() > 300; }, 3000));
  recorder_.reset();
  server_->Kill();
  const auto killed = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::OutputLost) == 1 && device.Mode() == TMPModes::mpStopped; }, 1000));
  std::printf("server killed: stopped and told after %lld ms\n", static_cast<long long>(MsSince(killed)));
  RunFor(200);
  EXPECT_EQ(Count(Kind::OutputLost), 1);

  server_->Start();
  ASSERT_TRUE(server_->Ready());
  recorder_ = std::make_unique<MonitorRecorder>();
  ASSERT_TRUE(recorder_->Recording());
  const auto again = std::chrono::steady_clock::now();
  device.Play();
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::OutputBack) == 1; }, 3000));
  std::printf("server back: a new stream %lld ms after Play\n", static_cast<long long>(MsSince(again)));
  const int64_t resumed = device.Position();
  ASSERT_TRUE(RunUntil([&] { return device.Position() > resumed + 1000; }, 3000));
  const std::vector<int16_t> out = recorder_->Stop();
  EXPECT_GT(mediatest::Sounding(out).size(), 2u * kRate / 2) << "sound again";
}

TEST_F(MediaPulseTest, AServerThatNeverAnswersIsGivenUpAfterTwoSecondsWithoutWaitingOnTheCaller) {
  // A socket that takes connections and never says a word.
  const std::string path = dir_.File("silent");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);

  auto& device = MakeDevice();
  device.Open(Fixture(kSongX));
  const auto start = std::chrono::steady_clock::now();
  device.Play();
  EXPECT_LT(MsSince(start), 50) << "Play waited for the server";
  ASSERT_TRUE(RunUntil([&] { return Count(Kind::Failure) == 1; }, 4000));
  const int64_t tookMs = MsSince(start);
  EXPECT_GE(tookMs, PulseAudioOutput::kAnswerLimitMs - 100);
  EXPECT_LT(tookMs, PulseAudioOutput::kAnswerLimitMs + 1000);
  EXPECT_EQ(Last(Kind::Failure)->text.rfind("No sound output: ", 0), 0u) << Last(Kind::Failure)->text;
  EXPECT_EQ(device.Mode(), TMPModes::mpStopped);
  close(listener);
}

} // namespace

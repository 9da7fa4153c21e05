// The real media device playing through a private PulseAudio server with a
// null sink, whose monitor the test records: songs follow each other sample
// for sample, and a change of volume reaches the stream at once. (The null
// sink renders ahead into its monitor, so what a flush drops is still
// recorded; dropping held sound is tested against a simulated server.)
#include <gtest/gtest.h>
#include <pulse/pulseaudio.h>
#include <pulse/simple.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media_test_support.h"
#include "platform/Mpg123SdlDevice.h"
#include "platform/PulseStream.h"
#include "support/TempDir.h"

extern char** environ;

using mediatest::Fixture;
using mediatest::kRate;
using mediatest::kSongX;
using mediatest::kSongY;
using mediatest::Decode;
using mediatest::RunFor;
using mediatest::RunUntil;
using testsupport::TempDir;

namespace {

constexpr int64_t kHeardWithinMs = 100;

int64_t MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// A PulseAudio server of our own, with one null sink ("out").
class PrivateServer {
public:
  explicit PrivateServer(const TempDir& dir) : socket_(dir.File("native")) {
    setenv("HOME", dir.Path().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    setenv("PULSE_RUNTIME_PATH", dir.Path().c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket_).c_str(), 1);
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
    const auto start = std::chrono::steady_clock::now();
    while (pid_ > 0 && !ready_ && MsSince(start) < 10000) {
      PulseHandles probe;
      ready_ = PulseStream::Connect(probe, nullptr);
      PulseStream::Disconnect(probe);
      if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  ~PrivateServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    unsetenv("PULSE_SERVER");
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
  // Stops and returns what was recorded.
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

// Where `pattern` (whole frames) first occurs in `pcm`, in frames; npos when
// it does not.
size_t Find(const std::vector<int16_t>& pcm, const std::vector<int16_t>& pattern) {
  const auto at = std::search(pcm.begin(), pcm.end(), pattern.begin(), pattern.end());
  if (at == pcm.end()) return std::string::npos;
  const auto index = static_cast<size_t>(at - pcm.begin());
  return index % 2 == 0 ? index / 2 : std::string::npos;
}

// The volume the server gives our stream (the only one playing), 0..PA_VOLUME_NORM.
uint32_t StreamVolumeInServer() {
  PulseHandles pulse;
  if (!PulseStream::Connect(pulse, nullptr)) return 0;
  struct Query {
    pa_threaded_mainloop* loop;
    uint32_t volume = 0;
  } query{pulse.loop};
  pa_threaded_mainloop_lock(pulse.loop);
  pa_operation* op = pa_context_get_sink_input_info_list(
      pulse.context,
      [](pa_context*, const pa_sink_input_info* info, int, void* user) {
        auto* q = static_cast<Query*>(user);
        if (info) q->volume = pa_cvolume_max(&info->volume);
        pa_threaded_mainloop_signal(q->loop, 0);
      },
      &query);
  while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(pulse.loop);
  if (op) pa_operation_unref(op);
  pa_threaded_mainloop_unlock(pulse.loop);
  PulseStream::Disconnect(pulse);
  return query.volume;
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
    recorder_.reset();
    server_.reset();
  }

  std::unique_ptr<Mpg123SdlDevice> MakeDevice(SharedAudioGain gain = nullptr) {
    auto device = std::make_unique<Mpg123SdlDevice>(std::move(gain));
    Mpg123SdlDevice* d = device.get();
    device->SetCompletionHandler([this] { ++completions_; });
    device->SetTransitionHandler([this, d] {
      ++transitions_;
      atTransition_ = d->PositionAndLength();
    });
    return device;
  }

  TempDir dir_;
  std::unique_ptr<PrivateServer> server_;
  std::unique_ptr<MonitorRecorder> recorder_;
  int completions_ = 0;
  int transitions_ = 0;
  MediaDevice::Times atTransition_{};
};

TEST_F(MediaPulseTest, QueuedSongFollowsSampleForSampleAndIsAnnouncedWhenHeard) {
  auto device = MakeDevice();
  device->Open(Fixture(kSongX));
  ASSERT_TRUE(device->QueueNext(Fixture(kSongY)));
  device->Play();
  ASSERT_TRUE(RunUntil([&] { return completions_ == 1; }, 10000));
  RunFor(100);
  const std::vector<int16_t> out = recorder_->Stop();

  // x's last 256 frames, then y's first 256, with nothing between them.
  const std::vector<int16_t> x = Decode(Fixture(kSongX)), y = Decode(Fixture(kSongY));
  std::vector<int16_t> seam(x.end() - 512, x.end());
  seam.insert(seam.end(), y.begin() + 2 * static_cast<long>(mediatest::FirstSoundingFrame(y)),
              y.begin() + 2 * static_cast<long>(mediatest::FirstSoundingFrame(y) + 256));
  EXPECT_NE(Find(out, seam), std::string::npos);
  // The change is announced when y is heard, not when the server got it.
  EXPECT_EQ(transitions_, 1);
  EXPECT_LT(atTransition_.position, kHeardWithinMs);
  EXPECT_EQ(atTransition_.length, 2700);
}

TEST_F(MediaPulseTest, VolumeIsTheStreamsOwnAndChangesWithin100Ms) {
  auto gain = std::make_shared<AudioGain>();
  gain->volume.store(0x80008000u);
  auto device = MakeDevice(gain);
  device->Open(Fixture(kSongY));
  device->Play();
  RunFor(300);
  EXPECT_EQ(StreamVolumeInServer(), pa_sw_volume_from_linear(0x8000 / 65535.0));
  gain->volume.store(0x40004000u);
  const auto changed = std::chrono::steady_clock::now();
  const uint32_t quarter = pa_sw_volume_from_linear(0x4000 / 65535.0);
  ASSERT_TRUE(RunUntil([&] { return StreamVolumeInServer() == quarter; }, 1000));
  EXPECT_LE(MsSince(changed), kHeardWithinMs);
}

} // namespace

// The real media device against an output that holds a quarter second of
// sound before it is heard, as a sound server does: the position counts what
// was heard, a pause or a stop drops what was held, a resume goes on from the
// last frame heard, and a change of song is announced when it is heard.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media_test_support.h"
#include "platform/AudioOutput.h"
#include "platform/Mpg123SdlDevice.h"

using mediatest::Fixture;
using mediatest::kRate;
using mediatest::kSongX;
using mediatest::kSongY;
using mediatest::Decode;
using mediatest::RunFor;
using mediatest::RunUntil;
using mediatest::Sounding;

namespace {

constexpr size_t kTickFrames = 441;    // 10 ms
constexpr size_t kHeldFrames = 11025;  // 250 ms

// Renders 10 ms every 10 ms; what it rendered is heard 250 ms later, unless
// DiscardHeld drops it first.
class ServerLikeOutput : public AudioOutput {
public:
  ServerLikeOutput(RenderFn render, void* user) : render_(render), user_(user) {}
  ~ServerLikeOutput() override { Close(); }

  void OpenInBackground(int rate) override { Open(rate); }
  void Open(int rate) override {
    rate_ = rate;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  void Close() override {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool IsOpen() override { return thread_.joinable(); }
  int Rate() override { return rate_; }
  int BufferFrames() override { return static_cast<int>(kTickFrames); }
  void Lock() override { mutex_.lock(); }
  void Unlock() override { mutex_.unlock(); }
  int64_t HeldFrames() override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return static_cast<int64_t>(held_.size() / 2);
  }
  void DiscardHeld() override {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    held_.clear();
  }
  bool AppliesVolume() override { return false; }

  // The song frames heard so far (silence left out).
  std::vector<int16_t> HeardSound() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return heardSound_;
  }
  int64_t HeardSoundMs() { return static_cast<int64_t>(HeardSound().size() / 2) * 1000 / kRate; }

private:
  void Run() {
    std::vector<int16_t> chunk(kTickFrames * 2);
    auto next = std::chrono::steady_clock::now();
    while (!stop_) {
      {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        render_(user_, chunk.data(), static_cast<int>(kTickFrames));
        held_.insert(held_.end(), chunk.begin(), chunk.end());
        while (held_.size() > kHeldFrames * 2) {
          const int16_t left = held_[0], right = held_[1];
          held_.erase(held_.begin(), held_.begin() + 2);
          if (left != 0 || right != 0) heardSound_.insert(heardSound_.end(), {left, right});
        }
      }
      next += std::chrono::milliseconds(10);
      std::this_thread::sleep_until(next);
    }
  }

  RenderFn render_;
  void* user_;
  int rate_ = 0;
  std::recursive_mutex mutex_;
  std::deque<int16_t> held_;
  std::vector<int16_t> heardSound_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
};

class MediaHeldOutputTest : public ::testing::Test {
protected:
  void SetUp() override {
    mediatest::App();
    device_ = std::make_unique<Mpg123SdlDevice>(nullptr, [this](AudioOutput::RenderFn render, void* user) {
      auto output = std::make_unique<ServerLikeOutput>(render, user);
      output_ = output.get();
      return output;
    });
    device_->SetCompletionHandler([this] {
      ++completions_;
      heardAtCompletion_ = output_->HeardSoundMs();
    });
    device_->SetTransitionHandler([this] {
      ++transitions_;
      heardAtTransition_ = output_->HeardSoundMs();
      atTransition_ = device_->PositionAndLength();
      queuedAtTransition_ = device_->QueuedPath();
    });
  }

  std::unique_ptr<Mpg123SdlDevice> device_;
  ServerLikeOutput* output_ = nullptr;
  int completions_ = 0;
  int transitions_ = 0;
  int64_t heardAtCompletion_ = -1;
  int64_t heardAtTransition_ = -1;
  MediaDevice::Times atTransition_{};
  std::string queuedAtTransition_ = "unset";
};

TEST_F(MediaHeldOutputTest, PauseDropsWhatIsHeldAndResumeGoesOnFromWhatWasHeard) {
  device_->Open(Fixture(kSongX));
  device_->Play();
  RunFor(900);
  // While playing, the position is what was heard, not what was rendered.
  EXPECT_NEAR(device_->Position(), output_->HeardSoundMs(), 30);
  device_->Pause();
  const int64_t heard = output_->HeardSoundMs();
  EXPECT_NEAR(device_->Position(), heard, 30);
  RunFor(500);
  EXPECT_NEAR(output_->HeardSoundMs(), heard, 15) << "the held sound played on after the pause";
  EXPECT_NEAR(device_->Position(), heard, 30);

  device_->Resume();
  ASSERT_TRUE(RunUntil([&] { return completions_ == 2; }, 6000));
  // The end is reported when the last frame is heard.
  EXPECT_NEAR(heardAtCompletion_, 2300, 30);
  RunFor(400);
  // Every frame of the song once, in order: nothing skipped, nothing twice.
  EXPECT_EQ(output_->HeardSound(), Sounding(Decode(Fixture(kSongX))));
}

TEST_F(MediaHeldOutputTest, StopDropsWhatIsHeld) {
  device_->Open(Fixture(kSongY));
  device_->Play();
  RunFor(700);
  device_->Stop();
  const int64_t heard = output_->HeardSoundMs();
  EXPECT_NEAR(device_->Position(), heard, 30);
  RunFor(400);
  EXPECT_NEAR(output_->HeardSoundMs(), heard, 15) << "the held sound played on after the stop";
}

TEST_F(MediaHeldOutputTest, ChangeOfSongIsAnnouncedWhenTheNewSongIsHeard) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture(kSongY)));
  device_->Play();
  ASSERT_TRUE(RunUntil([&] { return transitions_ == 1; }, 6000));
  // Until then the queued song is still the queued one, and the position
  // ran on in x.
  EXPECT_NEAR(heardAtTransition_, 2300, 30);
  EXPECT_EQ(queuedAtTransition_, "");
  EXPECT_LT(atTransition_.position, 30);
  EXPECT_EQ(atTransition_.length, 2700);
  ASSERT_TRUE(RunUntil([&] { return completions_ == 1; }, 6000));
  EXPECT_NEAR(heardAtCompletion_, 5000, 30);
  RunFor(400);
  std::vector<int16_t> both = Decode(Fixture(kSongX));
  const std::vector<int16_t> y = Decode(Fixture(kSongY));
  both.insert(both.end(), y.begin(), y.end());
  EXPECT_EQ(output_->HeardSound(), Sounding(both));
}

TEST_F(MediaHeldOutputTest, PositionStaysInTheOldSongUntilTheNewOneIsHeard) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture(kSongY)));
  device_->Play();
  // y is rendered from 2.3 s on, heard from 2.55 s on.
  RunFor(2400);
  const MediaDevice::Times times = device_->PositionAndLength();
  if (transitions_ == 0) {
    EXPECT_EQ(times.length, 2300);
    EXPECT_NEAR(times.position, output_->HeardSoundMs(), 30);
    EXPECT_EQ(device_->QueuedPath(), Fixture(kSongY));
  }
  EXPECT_EQ(transitions_, 0) << "announced before it was heard";
}

} // namespace

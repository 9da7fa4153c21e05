// The engine with the real device playing through a simulated output: what
// the engine announces, and when, while songs really play — also with both
// cores kept busy.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioPlayerDevice.h"
#include "platform/SimulatedAudioOutput.h"
#include "platform/media_test_support.h"
#include "playback/PlaybackEngine.h"
#include "support/MemoryWaveOutVolume.h"
#include "support/TempDir.h"

QCoreApplication& TestCoreApplication();

namespace {

using mediatest::RunUntil;

// Threads that spin until destroyed: a desktop busy compiling.
class BusyCores {
public:
  explicit BusyCores(int threads) {
    for (int i = 0; i < threads; ++i)
      threads_.emplace_back([this] {
        volatile uint64_t n = 0;
        while (!stop_.load(std::memory_order_relaxed)) n = n + 1;
      });
  }
  ~BusyCores() {
    stop_.store(true);
    for (std::thread& t : threads_) t.join();
  }

private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

class EngineWithDevice : public ::testing::Test {
protected:
  void SetUp() override {
    TestCoreApplication();
    auto output = std::make_unique<SimulatedAudioOutput>();
    out_ = output.get();
    engine_ = std::make_unique<PlaybackEngine>(std::make_unique<AudioPlayerDevice>(nullptr, std::move(output)), &volume_);
    engine_->Options().PlayListMode = 0;
    QObject::connect(engine_.get(), &PlaybackEngine::SongLoaded, [this] { loaded_.push_back(engine_->List().ItemIndex()); });
    QObject::connect(engine_.get(), &PlaybackEngine::ErrorRaised, [this](const std::string& text) { errors_.push_back(text); });
  }
  void TearDown() override { engine_.reset(); }

  void AddLines(const std::vector<std::string>& fixtures) {
    for (const std::string& name : fixtures) {
      const std::string path = dir_.File(std::to_string(engine_->List().Count()) + "-" + name);
      testsupport::WriteAll(path, testsupport::ReadAll(testsupport::FixturesDir() + name));
      engine_->List().Add(path, -1);
    }
  }
  void PlayLine(int line) {
    engine_->List().SetItemIndex(line);
    engine_->PlayCurrentEntry();
  }

  testsupport::TempDir dir_;
  MemoryWaveOutVolume volume_;
  SimulatedAudioOutput* out_ = nullptr;
  std::unique_ptr<PlaybackEngine> engine_;
  std::vector<int> loaded_;  // the line current at each SongLoaded
  std::vector<std::string> errors_;
};

TEST_F(EngineWithDevice, UnderLoadEverySongPlaysOnceInOrderAndNoneRestarts) {
  AddLines({"tone660_1s.mp3", "gap_x_2300ms.mp3", "tone440_2s.mp3"});
  BusyCores busy(3);
  PlayLine(0);
  // A restart: the position of the same song (told by its length: they
  // differ) goes back.
  int restarts = 0;
  MediaDevice::Times last{};
  ASSERT_TRUE(RunUntil([&] {
    if (!engine_->SongOpen()) return false;
    const MediaDevice::Times now = engine_->Device()->PositionAndLength();
    if (now.length == last.length && now.position + 50 < last.position) ++restarts;
    last = now;
    return loaded_.size() >= 4;  // after the last line the first comes again
  }, 20000));
  std::printf("under load: %d restarts, %zu song changes, %lld dry ms\n", restarts, loaded_.size() - 1,
              static_cast<long long>(out_->DryFrames() * 1000 / 44100));
  EXPECT_EQ(restarts, 0);
  EXPECT_EQ(loaded_, (std::vector<int>{0, 1, 2, 0}));
  EXPECT_TRUE(errors_.empty());
}

TEST_F(EngineWithDevice, PausedInTheLastSecondsTheSameSongGoesOnAndTheNextFollows) {
  AddLines({"gap_x_2300ms.mp3", "gap_y_2700ms.mp3"});
  PlayLine(0);
  ASSERT_TRUE(RunUntil([&] { return engine_->PlayerPosition() >= 1900; }, 5000));
  ASSERT_EQ(engine_->QueuedLine(), 1);  // the next song waits in the device
  engine_->Pause();
  RunUntil([&] { return out_->Paused(); }, 1000);
  EXPECT_TRUE(RunUntil([&] { return loaded_.size() > 1; }, 300) == false) << "the next song was shown while paused";
  EXPECT_EQ(engine_->List().ItemIndex(), 0);
  EXPECT_EQ(engine_->PlayerMode(), TMPModes::mpPaused);
  engine_->Play();
  ASSERT_TRUE(RunUntil([&] { return loaded_.size() == 2; }, 3000));
  EXPECT_EQ(engine_->List().ItemIndex(), 1);
  EXPECT_TRUE(RunUntil([&] { return engine_->PlayerPosition() > 1000; }, 3000)) << "y plays";
  EXPECT_EQ(engine_->PlayerMode(), TMPModes::mpPlaying);
}

TEST_F(EngineWithDevice, AVolumeSetInTheMixerIsShownAndKept) {
  AddLines({"gap_y_2700ms.mp3"});
  PlayLine(0);
  int changes = 0;
  QObject::connect(engine_.get(), &PlaybackEngine::VolumeChanged, [&] { ++changes; });
  out_->ChangeVolumeOutside(0x80008000u);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([&] { return changes == 1; }, 1000));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(engine_->VolumePercent(), 50);
  EXPECT_EQ(volume_.Value, 0x80008000u);
  // And the other way: the engine's volume reaches the stream.
  engine_->SetVolumeLevel(0.25f);
  EXPECT_TRUE(RunUntil([&] { return out_->Volume() == volume_.Value && volume_.Value != 0x80008000u; }, 1000));
}

TEST_F(EngineWithDevice, NoOutputIsSaidOnceAndTheFileIsNotCalledMissing) {
  AddLines({"gap_y_2700ms.mp3"});
  out_->FailOpen("no card here");
  PlayLine(0);
  ASSERT_TRUE(RunUntil([&] { return !errors_.empty(); }, 2000));
  RunUntil([] { return false; }, 100);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "No sound output: no card here");
  EXPECT_EQ(engine_->PlayerMode(), TMPModes::mpStopped);
  EXPECT_TRUE(engine_->Buttons().PlayEnabled);
}

} // namespace

// The real media device playing a queued song after the open one, through
// SDL's disk driver: the file it writes must hold exactly what libmpg123
// decodes from the two songs, back to back. Also how quickly commands are
// heard with the output's buffer.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "media_test_support.h"
#include "platform/Mpg123SdlDevice.h"
#include "support/TempDir.h"

using mediatest::Fixture;
using mediatest::kRate;
using mediatest::kSongX;
using mediatest::kSongY;
using mediatest::Decode;
using mediatest::FirstSoundingFrame;
using mediatest::Joined;
using mediatest::LastSoundingFrameEnd;
using mediatest::ReadPcm;
using mediatest::RunFor;
using mediatest::RunUntil;
using testsupport::TempDir;

namespace {


// The output holds `expected` exactly, with nothing but silence around it.
// `underrun` frames of silence may be inserted in it: the device counts the
// buffers it had to fill with silence because the decoder fell behind the
// sped-up output on a busy machine. Any other silence is a fault.
::testing::AssertionResult HoldsExactly(const std::vector<int16_t>& out, const std::vector<int16_t>& expected,
                                        int64_t underrun = 0) {
  const auto frameAt = [](const std::vector<int16_t>& v, size_t f) { return std::make_pair(v[2 * f], v[2 * f + 1]); };
  const size_t lead = FirstSoundingFrame(expected);
  const size_t start = FirstSoundingFrame(out);
  if (start < lead) return ::testing::AssertionFailure() << "sound starts too early";
  const size_t outFrames = out.size() / 2, expectedFrames = expected.size() / 2;
  size_t j = start - lead;
  int64_t inserted = 0;
  for (size_t i = 0; i < expectedFrames; ++j) {
    if (j >= outFrames) return ::testing::AssertionFailure() << "output ends at frame " << i << " of " << expectedFrames;
    const auto got = frameAt(out, j);
    if (got == frameAt(expected, i)) {
      ++i;
    } else if (got.first == 0 && got.second == 0 && inserted < underrun) {
      ++inserted;
    } else {
      return ::testing::AssertionFailure() << "first difference at frame " << i << " of " << expectedFrames << ": "
                                           << got.first << " instead of " << expected[2 * i];
    }
  }
  if (inserted != underrun)
    return ::testing::AssertionFailure() << inserted << " frames of silence inside, " << underrun << " underrun";
  const size_t end = LastSoundingFrameEnd(out);
  if (end > j) return ::testing::AssertionFailure() << (end - j) << " frames of sound too many";
  return ::testing::AssertionSuccess();
}

long long FileFrames(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size / 4) : 0;
}

class MediaGaplessTest : public ::testing::Test {
protected:
  void SetUp() override {
    mediatest::App();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    SetSpeed(1);
  }

  // Milliseconds the disk driver waits per buffer (about 46 ms of sound).
  void SetSpeed(int delayMs) { setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1); }

  std::unique_ptr<Mpg123SdlDevice> MakeDevice(const std::string& outFile, SharedAudioGain gain = nullptr) {
    setenv("SDL_DISKAUDIOFILE", outFile.c_str(), 1);
    auto device = std::make_unique<Mpg123SdlDevice>(std::move(gain));
    Mpg123SdlDevice* d = device.get();
    device->SetCompletionHandler([this] { ++completions; });
    device->SetTransitionHandler([this, d] {
      ++transitions;
      atTransition = d->PositionAndLength();
      queuedAtTransition = d->QueuedPath();
      completionsAtTransition = completions;
    });
    return device;
  }

  // The output runs many times faster than real time here; a head start
  // keeps the decoder ahead of it (an underrun would write silence).
  void LetTheDecoderFillTheRing() { RunFor(30); }

  bool WaitForCompletions(int count, int ms = 5000) {
    return RunUntil([&] { return completions >= count; }, ms);
  }

  TempDir dir;
  int completions = 0;
  int transitions = 0;
  int completionsAtTransition = -1;
  MediaDevice::Times atTransition;
  std::string queuedAtTransition = "unset";
};

TEST_F(MediaGaplessTest, QueuedSongFollowsSampleExactlyWhetherQueuedEarlyOrLate) {
  const std::vector<int16_t> expected = Joined(Decode(Fixture(kSongX)), Decode(Fixture(kSongY)));
  ASSERT_EQ(expected.size() / 2, 101430u + 119070u);
  // Early: queued before the decoder reached x's end. Late: x's last frames
  // are in the output's ring already.
  for (const bool late : {false, true}) {
    SCOPED_TRACE(late ? "queued late" : "queued early");
    SetSpeed(late ? 6 : 4);
    const std::string out = dir.File(late ? "late.raw" : "early.raw");
    completions = transitions = 0;
    int64_t underrun = 0;
    {
      auto device = MakeDevice(out);
      device->Open(Fixture(kSongX));
      LetTheDecoderFillTheRing();
      device->Play();
      // Late: paused where the ring holds the rest of x (so a busy machine
      // cannot let x end first), queued, resumed.
      const int plays = late ? 2 : 1;
      if (late) {
        ASSERT_TRUE(RunUntil([&] { return device->Position() >= 2000; }));
        device->Pause();
      }
      std::string reason;
      ASSERT_TRUE(device->QueueNext(Fixture(kSongY), &reason)) << reason;
      EXPECT_EQ(device->QueuedPath(), Fixture(kSongY));
      EXPECT_EQ(device->Length(), 2300);  // until y is heard, x is the song
      if (late) device->Resume();

      ASSERT_TRUE(WaitForCompletions(plays));
      // x's end was not reported; the play ended with y's end.
      EXPECT_EQ(transitions, 1);
      EXPECT_EQ(completionsAtTransition, plays - 1);
      EXPECT_EQ(atTransition.length, 2700);
      EXPECT_LT(atTransition.position, 2700);
      EXPECT_EQ(queuedAtTransition, "");
      EXPECT_EQ(device->Length(), 2700);
      EXPECT_EQ(device->Position(), 2700);
      EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
      RunFor(30);
      EXPECT_EQ(completions, plays);
      underrun = device->UnderrunFrames();
    }
    EXPECT_TRUE(HoldsExactly(ReadPcm(out), expected, underrun));
  }
}

TEST_F(MediaGaplessTest, PositionSwitchesToTheQueuedSongAtItsFirstFrame) {
  // Pause right after the change: the frames written after x's last one are
  // exactly the position y reports.
  SetSpeed(5);
  const std::string out = dir.File("out.raw");
  int64_t heldMs = -1;
  int64_t underrun = 0;
  {
    auto device = MakeDevice(out);
    device->Open(Fixture(kSongX));
    device->Play();
    ASSERT_TRUE(device->QueueNext(Fixture(kSongY)));
    ASSERT_TRUE(RunUntil([&] { return transitions == 1; }));
    device->Pause();
    heldMs = device->Position();
    EXPECT_EQ(device->Length(), 2700);
    EXPECT_LT(heldMs, 2000);
    RunFor(40);
    underrun = device->UnderrunFrames();
  }
  // Sound written: all of x, then as much of y as the position says.
  const auto pcm = ReadPcm(out);
  const auto x = Decode(Fixture(kSongX));
  const size_t start = FirstSoundingFrame(pcm) - FirstSoundingFrame(x);
  const size_t end = LastSoundingFrameEnd(pcm);
  const double yMs =
      static_cast<double>(static_cast<int64_t>(end - start - x.size() / 2) - underrun) * 1000.0 / kRate;
  EXPECT_NEAR(yMs, static_cast<double>(heldMs), 1.0);
}

TEST_F(MediaGaplessTest, ADroppedSongLeavesTheOldEndOfSong) {
  const auto x = Decode(Fixture(kSongX));
  // Dropped before the decoder reached x's end, and after it had started
  // to put y into the ring.
  for (const bool late : {false, true}) {
    SCOPED_TRACE(late ? "dropped late" : "dropped early");
    SetSpeed(late ? 6 : 4);
    const std::string out = dir.File(late ? "late.raw" : "early.raw");
    completions = transitions = 0;
    int64_t underrun = 0;
    {
      auto device = MakeDevice(out);
      device->Open(Fixture(kSongX));
      ASSERT_TRUE(device->QueueNext(Fixture(kSongY)));
      LetTheDecoderFillTheRing();
      device->Play();
      const int plays = late ? 2 : 1;
      if (late) {
        // Where the decoder has put the start of y into the ring already.
        ASSERT_TRUE(RunUntil([&] { return device->Position() >= 2000; }));
        device->Pause();
      }
      device->DropQueued();
      EXPECT_EQ(device->QueuedPath(), "");
      if (late) device->Resume();
      ASSERT_TRUE(WaitForCompletions(plays));
      EXPECT_EQ(device->Position(), 2300);
      EXPECT_EQ(device->Length(), 2300);
      EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
      RunFor(30);
      EXPECT_EQ(transitions, 0);
      underrun = device->UnderrunFrames();
    }
    EXPECT_TRUE(HoldsExactly(ReadPcm(out), x, underrun));
  }
}

TEST_F(MediaGaplessTest, CommandsDropTheQueuedSongPauseKeepsIt) {
  SetSpeed(20);
  auto device = MakeDevice(dir.File("out.raw"));
  const std::string y = Fixture(kSongY);
  device->Open(Fixture(kSongX));
  device->Play();
  ASSERT_TRUE(device->QueueNext(y));
  device->Pause();
  EXPECT_EQ(device->QueuedPath(), y);
  device->Resume();
  EXPECT_EQ(device->QueuedPath(), y);
  device->Stop();
  EXPECT_EQ(device->QueuedPath(), "");
  ASSERT_TRUE(device->QueueNext(y));
  device->SetPosition(2000);
  EXPECT_EQ(device->QueuedPath(), "");
  ASSERT_TRUE(device->QueueNext(y));
  device->Open(Fixture(kSongX));
  EXPECT_EQ(device->QueuedPath(), "");
  // Queuing again replaces the queued song.
  ASSERT_TRUE(device->QueueNext(y));
  ASSERT_TRUE(device->QueueNext(Fixture("tone660_1s.mp3")));
  EXPECT_EQ(device->QueuedPath(), Fixture("tone660_1s.mp3"));
  device->Close();
  EXPECT_EQ(device->QueuedPath(), "");
}

TEST_F(MediaGaplessTest, SongsThatCannotFollowAreRefusedWithAReason) {
  auto device = MakeDevice(dir.File("out.raw"));
  std::string reason;
  EXPECT_FALSE(device->QueueNext(Fixture(kSongY), &reason));
  EXPECT_EQ(reason, kNoDeviceOpen);

  device->Open(Fixture(kSongX));
  device->Play();
  const std::string refused[] = {dir.File("missing.mp3"), Fixture("garbage.mp3"), Fixture("empty.mp3"),
                                 Fixture("tone48k_1s.mp3")};
  for (const std::string& path : refused) {
    SCOPED_TRACE(path);
    reason.clear();
    EXPECT_FALSE(device->QueueNext(path, &reason));
    EXPECT_NE(reason, "");
    EXPECT_EQ(device->QueuedPath(), "");
  }
  device->QueueNext(Fixture("tone48k_1s.mp3"), &reason);
  EXPECT_EQ(reason, "The next song plays at 48000 Hz, this one at 44100 Hz");

  // The song ends as it did without a queue.
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(device->Position(), 2300);
  EXPECT_EQ(transitions, 0);
  // Once it has ended nothing can follow it any more.
  EXPECT_FALSE(device->QueueNext(Fixture(kSongY), &reason));
  EXPECT_EQ(reason, "The song has already ended");
}

TEST_F(MediaGaplessTest, CommandsAreHeardWithinOneOutputBuffer) {
  // SDL's disk driver writes each buffer right after the device filled it;
  // a command may let at most the buffer being filled go out, so it acts
  // within one buffer (and the sound server adds at most about one more).
  SetSpeed(10);
  const std::string out = dir.File("out.raw");
  auto gain = std::make_shared<AudioGain>();
  auto device = MakeDevice(out, gain);
  device->Open(Fixture("square_2s.mp3"));
  const long long buffer = device->OutputBufferFrames();
  EXPECT_GE(buffer * 1000 / kRate, 40);  // long enough to let the server sleep
  EXPECT_LE(buffer * 1000 / kRate, 50);  // short enough to obey at once

  const std::function<void()> commands[] = {
      [&] { device->Pause(); }, [&] { device->Stop(); }, [&] { device->SetPosition(500); },
      [&] { gain->volume.store(0); }};
  for (const auto& command : commands) {
    gain->volume.store(AudioGain::kFull);
    device->SetPosition(0);
    device->Play();
    ASSERT_TRUE(RunUntil([&] { return device->Position() >= 300; }));
    const long long written = FileFrames(out);
    command();
    RunFor(120);
    const auto pcm = ReadPcm(out);
    const auto soundEnd = static_cast<long long>(LastSoundingFrameEnd(pcm));
    EXPECT_LE(soundEnd - written, buffer);
    EXPECT_GT(soundEnd, written - buffer);  // it was playing up to the command
  }
}

} // namespace

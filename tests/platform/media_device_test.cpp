// The real media device, played through SDL's disk driver: what it would have
// sent to the sound card lands in a file the tests read back.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/Mpg123SdlDevice.h"
#include "media_test_support.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;
using testsupport::TempDir;

namespace {

using mediatest::Fixture;
using mediatest::App;
using mediatest::Decode;
using mediatest::ReadPcm;
using mediatest::RunFor;
using mediatest::RunUntil;
using mediatest::Sounding;

// Frames with any sound in them (the output is exact zeros while nothing
// plays).
size_t SoundingFrames(const std::vector<int16_t>& pcm) {
  size_t n = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2)
    if (pcm[i] != 0 || pcm[i + 1] != 0) ++n;
  return n;
}

double MeanLevel(const std::vector<int16_t>& pcm) {
  double sum = 0;
  size_t n = 0;
  for (int16_t s : pcm)
    if (s != 0) {
      sum += std::abs(static_cast<int>(s));
      ++n;
    }
  return n ? sum / static_cast<double>(n) : 0.0;
}

class MediaDeviceTest : public ::testing::Test {
protected:
  void SetUp() override {
    App();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    // One SDL buffer per millisecond: songs play about twenty times faster
    // than real time.
    SetSpeed(1);
  }

  // Milliseconds the disk driver waits per buffer of about 23 ms.
  void SetSpeed(int delayMs) { setenv("SDL_DISKAUDIODELAY", std::to_string(delayMs).c_str(), 1); }

  std::unique_ptr<Mpg123SdlDevice> MakeDevice(const std::string& outFile, SharedAudioGain gain = nullptr) {
    setenv("SDL_DISKAUDIOFILE", outFile.c_str(), 1);
    auto device = std::make_unique<Mpg123SdlDevice>(std::move(gain));
    device->SetCompletionHandler([this] {
      ++completions;
      if (std::this_thread::get_id() != mainThread) ++offThreadCompletions;
    });
    return device;
  }

  bool WaitForCompletions(int count, int ms = 5000) {
    return RunUntil([&] { return completions >= count; }, ms);
  }

  TempDir dir;
  int completions = 0;
  int offThreadCompletions = 0;
  std::thread::id mainThread = std::this_thread::get_id();
};

TEST_F(MediaDeviceTest, PlaysToTheEndReportsOnTheUiThreadAndPlaysAgainFromTheStart) {
  const std::string out = dir.File("out.raw");
  {
    auto device = MakeDevice(out);
    device->Open(Fixture("tone660_1s.mp3"));
    EXPECT_TRUE(device->IsOpen());
    EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
    EXPECT_EQ(device->Position(), 0);
    EXPECT_EQ(device->Length(), 1000);

    device->Play();
    EXPECT_EQ(device->Mode(), TMPModes::mpPlaying);
    ASSERT_TRUE(WaitForCompletions(1));
    EXPECT_EQ(device->Position(), device->Length());
    EXPECT_EQ(device->Mode(), TMPModes::mpStopped);

    // Play at the end replays the song from its start (the sound written
    // below holds the song twice).
    device->Play();
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_EQ(device->Position(), 1000);
    RunFor(50);
    EXPECT_EQ(completions, 2);  // one report per play, no strays
    EXPECT_EQ(offThreadCompletions, 0);
  }
  // Both plays went out whole: 44100 frames each.
  const size_t frames = SoundingFrames(ReadPcm(out));
  EXPECT_NEAR(static_cast<double>(frames), 2 * 44100.0, 40.0);
}

TEST_F(MediaDeviceTest, LengthIsExactWithAndWithoutAnInfoFrame) {
  struct Case {
    const char* file;
    int64_t lowest, highest;
    double leadingSilenceMs;
  } cases[] = {
      {"tone440_2s.mp3", 2000, 2000, 0},      // CBR, LAME info frame
      {"tone880_3s_vbr.mp3", 3000, 3000, 0},  // VBR, Xing/LAME info frame
      // No info frame: the encoder's delay and padding stay in the song,
      // the delay as near-silence at its start.
      {"noinfo_2s.mp3", 2000, 2060, 26},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string out = dir.File(std::string(c.file) + ".raw");
    int64_t length = 0;
    {
      auto device = MakeDevice(out);
      device->Open(Fixture(c.file));
      length = device->Length();
      EXPECT_GE(length, c.lowest);
      EXPECT_LE(length, c.highest);
      const int before = completions;
      device->Play();
      ASSERT_TRUE(WaitForCompletions(before + 1));
      // What was announced is what played.
      EXPECT_EQ(device->Length(), length);
      EXPECT_EQ(device->Position(), length);
    }
    const double playedMs = static_cast<double>(SoundingFrames(ReadPcm(out))) * 1000.0 / 44100.0;
    EXPECT_LE(playedMs, static_cast<double>(length) + 1.0);
    EXPECT_GE(playedMs, static_cast<double>(length) - 1.0 - c.leadingSilenceMs);
  }
}

TEST_F(MediaDeviceTest, PauseHoldsThePositionAndResumeGoesOn) {
  SetSpeed(20);
  const std::string out = dir.File("out.raw");
  {
    auto device = MakeDevice(out);
    device->Open(Fixture("tone440_2s.mp3"));
    device->Play();
    ASSERT_TRUE(RunUntil([&] { return device->Position() >= 300; }));
    device->Pause();
    EXPECT_EQ(device->Mode(), TMPModes::mpPaused);
    const int64_t held = device->Position();
    EXPECT_LT(held, 2000);
    ASSERT_TRUE(WaitForCompletions(1));  // the paused play reports its end
    RunFor(100);
    EXPECT_EQ(device->Position(), held);
    EXPECT_EQ(device->Mode(), TMPModes::mpPaused);

    device->Resume();
    EXPECT_EQ(device->Mode(), TMPModes::mpPlaying);
    ASSERT_TRUE(WaitForCompletions(2));
    EXPECT_EQ(device->Position(), 2000);
  }
  // Nothing lost or repeated around the pause.
  EXPECT_NEAR(static_cast<double>(SoundingFrames(ReadPcm(out))), 88200.0, 40.0);
}

TEST_F(MediaDeviceTest, SetPositionMovesAndStopsAPlayingDevice) {
  SetSpeed(20);
  const std::string out = dir.File("out.raw");
  {
    auto device = MakeDevice(out);
    device->Open(Fixture("tone440_2s.mp3"));
    device->Play();
    ASSERT_TRUE(RunUntil([&] { return device->Position() >= 200; }));
    device->SetPosition(1500);
    EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
    EXPECT_EQ(device->Position(), 1500);
    ASSERT_TRUE(WaitForCompletions(1));
    RunFor(50);
    EXPECT_EQ(device->Position(), 1500);

    // A paused device is stopped by a move as well.
    device->Play();
    device->Pause();
    device->SetPosition(1700);
    EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
    EXPECT_EQ(device->Position(), 1700);
    ASSERT_TRUE(WaitForCompletions(2));
  }

  // Seeking while stopped and playing from there plays only the rest.
  const std::string rest = dir.File("rest.raw");
  {
    auto device = MakeDevice(rest);
    device->Open(Fixture("tone440_2s.mp3"));
    device->SetPosition(1250);
    EXPECT_EQ(device->Position(), 1250);
    const int before = completions;
    device->Play();
    ASSERT_TRUE(WaitForCompletions(before + 1));
    EXPECT_EQ(device->Position(), 2000);
  }
  EXPECT_NEAR(static_cast<double>(SoundingFrames(ReadPcm(rest))), 88200.0 - 55125.0, 40.0);
}

TEST_F(MediaDeviceTest, StopKeepsThePositionAndRewindGoesToTheStart) {
  SetSpeed(20);
  auto device = MakeDevice(dir.File("out.raw"));
  device->Open(Fixture("tone440_2s.mp3"));
  device->Play();
  ASSERT_TRUE(RunUntil([&] { return device->Position() >= 300; }));
  device->Stop();
  EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
  const int64_t held = device->Position();
  EXPECT_GE(held, 300);
  EXPECT_LT(held, 2000);
  ASSERT_TRUE(WaitForCompletions(1));
  RunFor(60);
  EXPECT_EQ(device->Position(), held);

  device->Rewind();
  EXPECT_EQ(device->Position(), 0);
  EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
  device->Play();
  ASSERT_TRUE(WaitForCompletions(2));
  EXPECT_EQ(device->Position(), device->Length());
}

TEST_F(MediaDeviceTest, EveryPlayThatEndsIsReportedOnce) {
  SetSpeed(5);
  auto device = MakeDevice(dir.File("out.raw"));
  device->Open(Fixture("tone440_2s.mp3"));
  device->Play();
  device->Play();  // supersedes the first play
  RunFor(30);
  EXPECT_EQ(completions, 1);
  EXPECT_EQ(device->Mode(), TMPModes::mpPlaying);

  // Opening the next song closes the playing one, which reports its end.
  device->Open(Fixture("tone660_1s.mp3"));
  EXPECT_EQ(device->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(device->Length(), 1000);
  ASSERT_TRUE(WaitForCompletions(2));
  device->Play();
  device->Close();
  EXPECT_FALSE(device->IsOpen());
  ASSERT_TRUE(WaitForCompletions(3));
  RunFor(30);
  EXPECT_EQ(completions, 3);
  // Stop and Pause without a running play report nothing.
  device->Open(Fixture("tone660_1s.mp3"));
  device->Stop();
  device->Pause();
  RunFor(30);
  EXPECT_EQ(completions, 3);
}

TEST_F(MediaDeviceTest, HalfVolumeHalvesTheAmplitude) {
  const std::string full = dir.File("full.raw");
  const std::string half = dir.File("half.raw");
  auto gain = std::make_shared<AudioGain>();
  for (const std::string& out : {full, half}) {
    auto device = MakeDevice(out, gain);
    device->Open(Fixture("square_2s.mp3"));
    const int before = completions;
    device->Play();
    ASSERT_TRUE(WaitForCompletions(before + 1));
    // Both channels at trunc(65535 * 0.5) for the second run.
    gain->volume.store(32767u * 65537u);
  }
  const double fullLevel = MeanLevel(ReadPcm(full));
  const double halfLevel = MeanLevel(ReadPcm(half));
  ASSERT_GT(fullLevel, 10000.0);
  EXPECT_NEAR(halfLevel / fullLevel, 0.5, 0.005);
}

TEST_F(MediaDeviceTest, LeftAndRightGainsApplyToTheirOwnChannel) {
  const std::string out = dir.File("out.raw");
  auto gain = std::make_shared<AudioGain>();
  gain->volume.store(0xFFFFu);  // left full, right silent
  {
    auto device = MakeDevice(out, gain);
    device->Open(Fixture("square_2s.mp3"));
    device->Play();
    ASSERT_TRUE(WaitForCompletions(1));
  }
  const auto pcm = ReadPcm(out);
  size_t left = 0, right = 0;
  for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
    left += pcm[i] != 0;
    right += pcm[i + 1] != 0;
  }
  EXPECT_GT(left, 80000u);
  EXPECT_EQ(right, 0u);
}

TEST_F(MediaDeviceTest, BrokenFilesGiveAnErrorAndLeaveNoSongOpen) {
  // Half of a song whose info frame promises two seconds.
  const std::string whole = testsupport::ReadAll(Fixture("tone440_2s.mp3"));
  const std::string truncated = dir.File("truncated.mp3");
  testsupport::WriteAll(truncated, whole.substr(0, whole.size() / 2));
  const std::string text = dir.File("text.mp3");
  testsupport::WriteAll(text, std::string(5000, 'x'));
  const std::string headerOnly = dir.File("header.mp3");
  testsupport::WriteAll(headerOnly, whole.substr(0, 300));

  auto device = MakeDevice(dir.File("out.raw"));
  for (const std::string& bad : {Fixture("empty.mp3"), Fixture("garbage.mp3"), text, dir.File("missing.mp3"),
                                 dir.Path(), headerOnly}) {
    SCOPED_TRACE(bad);
    device->Open(Fixture("tone660_1s.mp3"));
    try {
      device->Open(bad);
      ADD_FAILURE() << "opened";
    } catch (const MediaDeviceError& e) {
      EXPECT_STRNE(e.what(), "");
    }
    EXPECT_FALSE(device->IsOpen());  // the previous song was closed as well
    EXPECT_THROW(device->Length(), MediaDeviceError);
  }

  // A cut-off song plays what is there and ends with Position == Length.
  device->Open(truncated);
  device->Play();
  ASSERT_TRUE(WaitForCompletions(1));
  EXPECT_EQ(device->Position(), device->Length());
  EXPECT_GT(device->Length(), 700);
  EXPECT_LT(device->Length(), 1300);
}

TEST_F(MediaDeviceTest, ASongReadAheadIsTheSongOpenedOnlyWhenThePathMatches) {
  const std::string out = dir.File("out.raw");
  {
    auto device = MakeDevice(out);
    device->ReadAhead(Fixture("tone440_2s.mp3"));
    // Another song opened first: that one, not the one read ahead.
    device->Open(Fixture("tone660_1s.mp3"));
    EXPECT_EQ(device->Length(), 1000);
    device->ReadAhead(Fixture("tone440_2s.mp3"));  // too late: a song is open
    device->Open(Fixture("tone440_2s.mp3"));
    EXPECT_EQ(device->Length(), 2000);
    device->Play();
    ASSERT_TRUE(WaitForCompletions(1));
  }
  EXPECT_EQ(Sounding(ReadPcm(out)), Sounding(Decode(Fixture("tone440_2s.mp3"))));

  // Read ahead and then opened: the same song, played from its start.
  const std::string again = dir.File("again.raw");
  {
    auto device = MakeDevice(again);
    device->ReadAhead(Fixture("tone660_1s.mp3"));
    device->Open(Fixture("tone660_1s.mp3"));
    EXPECT_EQ(device->Length(), 1000);
    device->Play();
    ASSERT_TRUE(WaitForCompletions(2));
  }
  EXPECT_EQ(Sounding(ReadPcm(again)), Sounding(Decode(Fixture("tone660_1s.mp3"))));

  // A file that cannot be read ahead gives Open's usual error.
  auto device = MakeDevice(dir.File("bad.raw"));
  device->ReadAhead(Fixture("garbage.mp3"));
  EXPECT_THROW(device->Open(Fixture("garbage.mp3")), MediaDeviceError);
  EXPECT_FALSE(device->IsOpen());
}

TEST_F(MediaDeviceTest, CommandsWithoutASongSayNoMediaDeviceOpen) {
  auto device = MakeDevice(dir.File("out.raw"));
  const std::function<void()> commands[] = {
      [&] { device->Play(); },          [&] { device->Pause(); },         [&] { device->Resume(); },
      [&] { device->Stop(); },          [&] { device->SetPosition(5); }, [&] { device->Rewind(); },
      [&] { (void)device->Length(); }, [&] { (void)device->Position(); }, [&] { (void)device->Mode(); },
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& command : commands) {
      try {
        command();
        ADD_FAILURE() << "no error";
      } catch (const MediaDeviceError& e) {
        EXPECT_STREQ(e.what(), "No media device open");
      }
    }
    // The same after a song was open and closed again.
    device->Open(Fixture("tone660_1s.mp3"));
    device->Close();
    device->Close();  // closing twice is harmless
  }
}

TEST_F(MediaDeviceTest, NoAudioOutputGivesTheOutputsReason) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  auto device = MakeDevice(dir.File("out.raw"));
  try {
    device->Open(Fixture("tone660_1s.mp3"));
    ADD_FAILURE() << "opened";
  } catch (const MediaDeviceError& e) {
    EXPECT_STRNE(e.what(), "");
    EXPECT_STRNE(e.what(), "Unknown error code");
  }
  EXPECT_FALSE(device->IsOpen());
  // Once an output is there again the same device plays.
  setenv("SDL_AUDIODRIVER", "disk", 1);
  device->Open(Fixture("tone660_1s.mp3"));
  device->Play();
  EXPECT_TRUE(WaitForCompletions(1));
}

} // namespace

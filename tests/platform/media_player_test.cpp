// The real media device through a simulated output (a server's buffer that
// plays in real time and keeps what it played): what is heard compared with
// libmpg123's own decoding, and what the device announces, and when.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media_test_support.h"
#include "platform/AudioDecoder.h"
#include "platform/AudioPlayerDevice.h"
#include "platform/SimulatedAudioOutput.h"

using mediatest::Decode;
using mediatest::Fixture;
using mediatest::kSongX;
using mediatest::kSongY;
using mediatest::RunFor;
using mediatest::RunUntil;

namespace {

using Kind = MediaEvent::Kind;
constexpr size_t kFadeFrames = 44100 * 5 / 1000;

// The samples without the silence before the first and after the last
// sounding frame.
std::vector<int16_t> Trimmed(const std::vector<int16_t>& pcm) {
  const size_t first = mediatest::FirstSoundingFrame(pcm), end = mediatest::LastSoundingFrameEnd(pcm);
  if (end <= first) return {};
  return std::vector<int16_t>(pcm.begin() + static_cast<long>(2 * first), pcm.begin() + static_cast<long>(2 * end));
}

// The longest run of silent frames inside the sound (not before or after).
size_t LongestInnerSilence(const std::vector<int16_t>& pcm) {
  const std::vector<int16_t> inner = Trimmed(pcm);
  size_t longest = 0, run = 0;
  for (size_t i = 0; i + 1 < inner.size(); i += 2) {
    run = inner[i] == 0 && inner[i + 1] == 0 ? run + 1 : 0;
    longest = std::max(longest, run);
  }
  return longest;
}

// A 16-bit song of any format as its own decoder delivers it.
std::vector<int16_t> DecodeAny(const std::string& path) {
  std::unique_ptr<AudioDecoder> decoder = OpenAudioDecoder(path);
  EXPECT_EQ(decoder->Format().encoding, SampleEncoding::S16);
  std::vector<int16_t> pcm, chunk(4096 * 2);
  while (const size_t frames = decoder->Read(chunk.data(), 4096))
    pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + static_cast<long>(2 * frames));
  return pcm;
}

class MediaPlayerTest : public ::testing::Test {
protected:
  struct Told {
    MediaEvent event;
    MediaDevice::Times times;
    std::chrono::steady_clock::time_point at;
  };

  void SetUp() override {
    mediatest::App();
    auto output = std::make_unique<SimulatedAudioOutput>();
    out_ = output.get();
    device_ = std::make_unique<AudioPlayerDevice>(nullptr, std::move(output));
    device_->SetEventHandler([this](const MediaEvent& e) {
      told_.push_back({e, device_->IsOpen() ? device_->PositionAndLength() : MediaDevice::Times{},
                       std::chrono::steady_clock::now()});
    });
  }

  int Count(Kind kind) const {
    return static_cast<int>(std::count_if(told_.begin(), told_.end(), [kind](const Told& t) { return t.event.kind == kind; }));
  }
  const Told* Last(Kind kind) const {
    for (auto it = told_.rbegin(); it != told_.rend(); ++it)
      if (it->event.kind == kind) return &*it;
    return nullptr;
  }
  bool PlayToTheEnd(int ms = 10000) {
    return RunUntil([this] { return Count(Kind::SongFinished) > 0; }, ms);
  }

  SimulatedAudioOutput* out_ = nullptr;
  std::unique_ptr<AudioPlayerDevice> device_;
  std::vector<Told> told_;
};

TEST_F(MediaPlayerTest, ASongIsHeardAsDecodedAndItsEndIsAnnouncedOnce) {
  device_->Open(Fixture(kSongX));
  EXPECT_EQ(device_->Length(), 2300);
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  EXPECT_EQ(Trimmed(out_->Played()), Trimmed(Decode(Fixture(kSongX))));
  EXPECT_EQ(Count(Kind::SongFinished), 1);
  EXPECT_EQ(Last(Kind::SongFinished)->event.path, Fixture(kSongX));
  EXPECT_EQ(device_->Position(), device_->Length());
  EXPECT_EQ(device_->Mode(), TMPModes::mpStopped);
  EXPECT_TRUE(RunUntil([this] { return out_->Paused(); }, 1000)) << "left uncorked when done";
}

TEST_F(MediaPlayerTest, AQueuedSongFollowsSampleForSampleAndIsAnnouncedWhenHeard) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture(kSongY)));
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  // (Played leaves out what a busy machine may add: silence where the
  // player came late; the change itself adds none, see the server test.)
  EXPECT_EQ(Trimmed(out_->Played()), Trimmed(mediatest::Joined(Decode(Fixture(kSongX)), Decode(Fixture(kSongY)))));
  ASSERT_EQ(Count(Kind::QueuedSongAudible), 1);
  const Told& change = *Last(Kind::QueuedSongAudible);
  EXPECT_EQ(change.event.fromPath, Fixture(kSongX));
  EXPECT_EQ(change.event.path, Fixture(kSongY));
  EXPECT_EQ(change.event.lengthMs, 2700);
  EXPECT_LT(change.times.position, 100);  // told when y is heard, not when it was written
  EXPECT_EQ(change.times.length, 2700);
  EXPECT_EQ(Count(Kind::SongFinished), 1);
  EXPECT_EQ(Last(Kind::SongFinished)->event.path, Fixture(kSongY));
}

TEST_F(MediaPlayerTest, PauseAndResumeGoOnAtTheNextFrameWithShortFades) {
  const std::vector<int16_t> song = Trimmed(Decode(Fixture(kSongY)));
  device_->Open(Fixture(kSongY));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return device_->Position() >= 900; }));
  device_->Pause();
  EXPECT_EQ(device_->Mode(), TMPModes::mpPaused);
  ASSERT_TRUE(RunUntil([this] { return out_->Paused(); }, 1000)) << "the stream is corked while paused";
  const int64_t pausedAt = device_->Position();
  const size_t heardBefore = out_->Heard().size();
  RunFor(150);
  EXPECT_EQ(out_->Heard().size(), heardBefore) << "nothing, not even silence, is played while paused";
  EXPECT_EQ(device_->Position(), pausedAt);
  device_->Resume();
  ASSERT_TRUE(PlayToTheEnd());

  // Around the pause, exactly the song: no frame repeated or left out;
  // only the few frames at the cut are faded.
  const std::vector<int16_t> joined = Trimmed(out_->Played());
  ASSERT_EQ(joined.size(), song.size());
  size_t cut = 0;
  while (cut < song.size() && joined[cut] == song[cut]) ++cut;
  ASSERT_LT(cut, song.size()) << "no fade at all: a hard cut";
  size_t differ = 0;
  for (size_t i = 0; i < song.size(); ++i) {
    if (joined[i] == song[i]) continue;
    ++differ;
    EXPECT_LE(std::abs(joined[i]), std::abs(song[i]) + 1) << "a fade only softens";
    EXPECT_LT(i - cut, static_cast<size_t>(2 * 2 * kFadeFrames + 4)) << "away from the cut at " << i;
  }
  EXPECT_GT(differ, 0u) << "no fade at all: a hard cut";
  // Where the sound stops, it has faded to almost nothing.
  EXPECT_LT(std::abs(joined[cut + 2 * (kFadeFrames - 1)]), 1000) << "the fade ends near silence";
  EXPECT_EQ(Count(Kind::SongFinished), 1);
}

TEST_F(MediaPlayerTest, PausedNearTheEndTheSameSongResumesAndTheQueuedOneStillFollows) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture(kSongY)));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return device_->Position() >= 2150; }));
  device_->Pause();
  ASSERT_TRUE(RunUntil([this] { return out_->Paused(); }, 1000));
  RunFor(50);
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 0);
  EXPECT_EQ(device_->Length(), 2300);
  EXPECT_EQ(device_->QueuedPath(), Fixture(kSongY));
  device_->Resume();
  ASSERT_TRUE(PlayToTheEnd());
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 1);
  const std::vector<int16_t> heard = out_->Played();
  const std::vector<int16_t> y = Trimmed(Decode(Fixture(kSongY)));
  EXPECT_NE(std::search(heard.begin(), heard.end(), y.begin(), y.end()), heard.end()) << "y was played whole";
}

TEST_F(MediaPlayerTest, AChangeOfRateBetweenSongsIsShortAndNeverStops) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture("tone48k_1s.mp3")));
  device_->Play();
  bool stoppedBetween = false;
  ASSERT_TRUE(RunUntil([&] {
    if (Count(Kind::QueuedSongAudible) == 0 && device_->Mode() != TMPModes::mpPlaying) stoppedBetween = true;
    return Count(Kind::SongFinished) > 0;
  }));
  EXPECT_FALSE(stoppedBetween);
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 1);
  EXPECT_EQ(Last(Kind::QueuedSongAudible)->times.length, 1000);
  EXPECT_EQ(out_->Opens(), 2);
  // The silence at the change, at either rate, stays under 150 ms.
  const size_t silence = LongestInnerSilence(out_->Heard());
  std::printf("silence at the change of rate: %.1f ms\n", silence * 1000.0 / 48000);
  EXPECT_LT(silence, 150u * 48000 / 1000);
}

TEST_F(MediaPlayerTest, ASongWithoutInfoFrameIsQueuedAndItsLengthFoundBeside) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture("noinfo_2s.mp3")));
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  EXPECT_EQ(Trimmed(out_->Played()),
            Trimmed(mediatest::Joined(Decode(Fixture(kSongX)), Decode(Fixture("noinfo_2s.mp3")))));
  const int64_t exact = static_cast<int64_t>(Decode(Fixture("noinfo_2s.mp3")).size() / 2) * 1000 / 44100;
  EXPECT_EQ(Last(Kind::QueuedSongAudible)->times.length, exact);
}

TEST_F(MediaPlayerTest, StopAndMoveDropTheQueuedSongAndSettleWhereTold) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture(kSongY)));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return device_->Position() >= 300; }));
  device_->Stop();
  EXPECT_EQ(device_->Mode(), TMPModes::mpStopped);
  EXPECT_EQ(device_->QueuedPath(), "");
  ASSERT_TRUE(RunUntil([this] { return out_->Paused(); }, 1000));
  const int64_t stoppedAt = device_->Position();
  EXPECT_GE(stoppedAt, 300);
  EXPECT_LT(stoppedAt, 600);
  device_->SetPosition(2000);
  EXPECT_EQ(device_->Position(), 2000);
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  EXPECT_EQ(Count(Kind::QueuedSongAudible), 0);
  EXPECT_EQ(device_->Position(), 2300);
  // At the end, Play starts the song again.
  device_->Play();
  EXPECT_EQ(device_->Position(), 0);
  EXPECT_TRUE(RunUntil([this] { return device_->Position() > 100; }));
}

TEST_F(MediaPlayerTest, WithoutAnOutputPlayStopsAndSaysWhyAtOnce) {
  out_->FailOpen("no card here");
  device_->Open(Fixture(kSongX));  // the file is fine
  const auto start = std::chrono::steady_clock::now();
  device_->Play();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  ASSERT_TRUE(RunUntil([this] { return Count(Kind::Failure) > 0; }, 2000));
  EXPECT_EQ(Last(Kind::Failure)->event.text, "No sound output: no card here");
  EXPECT_EQ(Last(Kind::Failure)->event.failure, MediaEvent::FailureKind::Output);
  EXPECT_EQ(device_->Mode(), TMPModes::mpStopped);
  out_->FailOpen("");
  device_->Play();
  EXPECT_TRUE(RunUntil([this] { return device_->Position() > 100; }));
  EXPECT_EQ(Count(Kind::Failure), 1);
}

TEST_F(MediaPlayerTest, ALostOutputStopsWithOneNoticeAndTheNextPlayOpensItAgain) {
  device_->Open(Fixture(kSongY));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return device_->Position() > 200; }));
  out_->Lose("the server went away");
  const auto lost = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([this] { return device_->Mode() == TMPModes::mpStopped && Count(Kind::OutputLost) > 0; }, 1000));
  EXPECT_LT(std::chrono::steady_clock::now() - lost, std::chrono::seconds(1));
  RunFor(100);
  EXPECT_EQ(Count(Kind::OutputLost), 1);
  EXPECT_EQ(Last(Kind::OutputLost)->event.text, "the server went away");
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return Count(Kind::OutputBack) == 1; }, 1000));
  EXPECT_EQ(out_->Opens(), 2);
  const size_t before = out_->Heard().size();
  EXPECT_TRUE(RunUntil([&] { return out_->Heard().size() > before + 4410; }));
}

TEST_F(MediaPlayerTest, VolumeAndTitleGoToTheOutputAndAVolumeSetOutsideComesBack) {
  device_->SetVolume(0x80008000u);
  device_->SetTitle("Artist - Title");
  device_->Open(Fixture(kSongY));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return out_->Volume() == 0x80008000u && out_->Title() == "Artist - Title"; }, 1000));
  out_->ChangeVolumeOutside(0x20003000u);
  const auto changed = std::chrono::steady_clock::now();
  ASSERT_TRUE(RunUntil([this] { return Count(Kind::VolumeChangedOutside) == 1; }, 1000));
  EXPECT_LT(std::chrono::steady_clock::now() - changed, std::chrono::milliseconds(100));
  EXPECT_EQ(Last(Kind::VolumeChangedOutside)->event.volume, 0x20003000u);
}

TEST_F(MediaPlayerTest, EventsOfASongOpenedBeforeAreNotDelivered) {
  device_->Open(Fixture(kSongX));
  device_->Play();
  ASSERT_TRUE(RunUntil([this] { return device_->Position() > 100; }));
  told_.clear();
  out_->FailOpen("gone");
  out_->Lose("gone");
  device_->Close();
  device_->Open(Fixture(kSongY));
  device_->Play();  // fails: announced for y
  ASSERT_TRUE(RunUntil([this] { return Count(Kind::Failure) > 0; }, 2000));
  EXPECT_EQ(Last(Kind::Failure)->event.path, Fixture(kSongY));
  for (const Told& t : told_) EXPECT_NE(t.event.path, Fixture(kSongX));
}

TEST_F(MediaPlayerTest, ASongOfAnotherFormatFollowsAnMp3WithoutAGap) {
  device_->Open(Fixture(kSongX));
  ASSERT_TRUE(device_->QueueNext(Fixture("flac16_1500ms.flac")));
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  EXPECT_EQ(Trimmed(out_->Played()),
            Trimmed(mediatest::Joined(Decode(Fixture(kSongX)), DecodeAny(Fixture("flac16_1500ms.flac")))));
  ASSERT_EQ(Count(Kind::QueuedSongAudible), 1);
  EXPECT_EQ(Last(Kind::QueuedSongAudible)->event.lengthMs, 1500);
  EXPECT_EQ(out_->Opens(), 1) << "one format: the output stays open across the change";
}

TEST_F(MediaPlayerTest, A24BitSongReachesTheOutputAs32BitSamples) {
  device_->Open(Fixture("flac24_96k_1s.flac"));
  EXPECT_EQ(device_->Length(), 1000);
  device_->Play();
  ASSERT_TRUE(PlayToTheEnd());
  const AudioFormat format = out_->Format();
  EXPECT_EQ(format.rate, 96000);
  EXPECT_EQ(format.encoding, SampleEncoding::S32);
  EXPECT_EQ(Last(Kind::SongFinished)->event.path, Fixture("flac24_96k_1s.flac"));
}

} // namespace

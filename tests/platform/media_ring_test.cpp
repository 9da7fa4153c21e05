// The ring between decoder and audio callback, and the sample gain.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/AudioGain.h"
#include "platform/AudioRing.h"

namespace {

TEST(AudioRingTest, WrapsAroundAndRefusesWhatDoesNotFit) {
  AudioRing ring(6);  // rounded up to 8 frames
  ASSERT_EQ(ring.Capacity(), 8u);
  std::vector<int16_t> in(2 * 12), out(2 * 10);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int16_t>(i + 1);

  EXPECT_EQ(ring.Write(in.data(), 10), 8u);  // full after eight
  EXPECT_EQ(ring.Writable(), 0u);
  EXPECT_EQ(ring.Read(out.data(), 5), 5u);
  EXPECT_EQ(out[9], 10);
  // The next write wraps past the end of the storage.
  EXPECT_EQ(ring.Write(in.data() + 16, 4), 4u);
  EXPECT_EQ(ring.Readable(), 7u);
  EXPECT_EQ(ring.Read(out.data(), 10), 7u);
  const std::vector<int16_t> expected{11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 14), expected);
  EXPECT_EQ(ring.Read(out.data(), 1), 0u);

  ring.Write(in.data(), 3);
  ring.Reset();
  EXPECT_EQ(ring.Readable(), 0u);
  EXPECT_EQ(ring.Writable(), 8u);
}

TEST(AudioRingTest, DropAfterForgetsOnlyUnreadFramesPastTheMark) {
  AudioRing ring(8);
  std::vector<int16_t> in(2 * 8), out(2 * 8);
  for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<int16_t>(i + 1);
  ring.Write(in.data(), 6);
  EXPECT_EQ(ring.Read(out.data(), 2), 2u);
  EXPECT_EQ(ring.WrittenTotal(), 6u);
  EXPECT_EQ(ring.ReadTotal(), 2u);
  ring.DropAfter(4);  // frames 5 and 6 go
  EXPECT_EQ(ring.Readable(), 2u);
  EXPECT_EQ(ring.WrittenTotal(), 4u);
  ring.DropAfter(1);  // never below what was read
  EXPECT_EQ(ring.Readable(), 0u);
  EXPECT_EQ(ring.WrittenTotal(), 2u);
  ring.Write(in.data() + 12, 1);  // the next write goes where the dropped ones were
  EXPECT_EQ(ring.Read(out.data(), 4), 1u);
  EXPECT_EQ(out[0], 13);
}

TEST(AudioRingTest, OneWriterAndOneReaderPassEveryFrameInOrder) {
  AudioRing ring(64);
  constexpr int kFrames = 200000;
  std::thread writer([&] {
    int16_t frame[2 * 7];
    int next = 0;
    while (next < kFrames) {
      int n = 0;
      for (; n < 7 && next + n < kFrames; ++n) {
        frame[2 * n] = static_cast<int16_t>(next + n);
        frame[2 * n + 1] = static_cast<int16_t>(~(next + n));
      }
      size_t done = 0;
      while (done < static_cast<size_t>(n)) done += ring.Write(frame + 2 * done, n - done);
      next += n;
    }
  });
  int expected = 0;
  bool inOrder = true;
  int16_t buf[2 * 13];
  while (expected < kFrames) {
    const size_t got = ring.Read(buf, 13);
    for (size_t i = 0; i < got; ++i, ++expected)
      inOrder = inOrder && buf[2 * i] == static_cast<int16_t>(expected) &&
                buf[2 * i + 1] == static_cast<int16_t>(~expected);
  }
  writer.join();
  EXPECT_TRUE(inOrder);
}

TEST(AudioGainTest, ScalesEachChannelByItsWord) {
  int16_t frames[] = {32767, -32768, 1000, -1000};
  ApplyAudioGain(frames, 2, AudioGain::kFull);
  EXPECT_EQ(frames[0], 32767);
  EXPECT_EQ(frames[1], -32768);

  ApplyAudioGain(frames, 2, (0u << 16) | 32767u);  // left half, right silent
  EXPECT_EQ(frames[0], 16383);
  EXPECT_EQ(frames[1], 0);
  EXPECT_EQ(frames[2], 499);
  EXPECT_EQ(frames[3], 0);

  int16_t loud[] = {-32768, -32768};
  ApplyAudioGain(loud, 1, 0xFFFFu | (0xFFFEu << 16));
  EXPECT_EQ(loud[0], -32768);  // the extreme sample stays in range
  EXPECT_EQ(loud[1], -32767);
}

} // namespace

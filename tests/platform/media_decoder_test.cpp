// The MP3 decoder: the frames libmpg123 itself gives, gapless, a seek that
// lands on the exact frame, lengths found by a scan, and files it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "media_test_support.h"
#include "platform/AudioDecoder.h"
#include "platform/Mpg123Decoder.h"

using mediatest::Decode;
using mediatest::Fixture;

namespace {

std::vector<int16_t> ReadAll(AudioDecoder& decoder, size_t step) {
  std::vector<int16_t> pcm;
  std::vector<int16_t> buffer(step * 2);
  for (;;) {
    const size_t got = decoder.Read(buffer.data(), step);
    if (got == 0) return pcm;
    pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + static_cast<long>(got * 2));
  }
}

TEST(Mpg123DecoderTest, GivesLibmpg123sOwnFramesWhateverThePieceSize) {
  for (const char* name : {"gap_x_2300ms.mp3", "tone880_3s_vbr.mp3", "tone48k_1s.mp3"}) {
    SCOPED_TRACE(name);
    auto decoder = OpenAudioDecoder(Fixture(name));
    const long rate = decoder->Format().rate;
    const std::vector<int16_t> expected = Decode(Fixture(name), rate);
    EXPECT_EQ(decoder->Format().encoding, SampleEncoding::S16);
    EXPECT_EQ(decoder->LengthFrames(), static_cast<int64_t>(expected.size() / 2));
    for (size_t step : {1u, 1151u, 4096u}) {
      decoder->Seek(0);
      EXPECT_EQ(ReadAll(*decoder, step), expected) << step;
    }
  }
}

TEST(Mpg123DecoderTest, ASeekLandsOnTheExactFrame) {
  auto decoder = OpenAudioDecoder(Fixture("gap_y_2700ms.mp3"));
  const std::vector<int16_t> whole = Decode(Fixture("gap_y_2700ms.mp3"));
  for (int64_t at : {int64_t{0}, int64_t{1}, int64_t{1151}, int64_t{57331}, static_cast<int64_t>(whole.size() / 2 - 3)}) {
    decoder->Seek(at);
    std::vector<int16_t> got(8);
    ASSERT_EQ(decoder->Read(got.data(), 3), 3u) << at;
    EXPECT_EQ(got[0], whole[2 * at]) << at;
    EXPECT_EQ(got[5], whole[2 * at + 5]) << at;
  }
}

TEST(Mpg123DecoderTest, ALengthWithoutAnInfoFrameIsFoundByAScan) {
  Mpg123Decoder decoder(Fixture("noinfo_2s.mp3"));
  EXPECT_EQ(decoder.LengthFrames(), -1);
  EXPECT_GT(decoder.EstimatedLengthFrames(), 0);
  const int64_t scanned = decoder.ScanLength();
  EXPECT_EQ(scanned, static_cast<int64_t>(Decode(Fixture("noinfo_2s.mp3")).size() / 2));
  // The scan ran on a handle of its own: decoding starts at the start.
  std::vector<int16_t> first(2);
  EXPECT_EQ(decoder.Read(first.data(), 1), 1u);
}

TEST(Mpg123DecoderTest, RefusesWhatIsNoMpegAudioWithLibmpg123sWords) {
  for (const char* name : {"empty.mp3", "garbage.mp3", "no-such-file.mp3"}) {
    SCOPED_TRACE(name);
    try {
      OpenAudioDecoder(Fixture(name));
      ADD_FAILURE() << "opened";
    } catch (const AudioDecoderError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
}

} // namespace

// The FLAC, Opus, Ogg Vorbis and WAV decoders against the reference tools:
// an album cut from one continuous signal, decoded song after song, equals
// what flac -d, opusdec and oggdec make of the same files, sample for sample.
#include "platform/AudioDecoder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

void Run(const std::string& command) { ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command; }

struct Decoded {
  AudioFormat format;
  std::vector<int64_t> lengths; // LengthFrames of each song
  std::string bytes;            // every song's frames back to back
};

// Decodes the songs one after the other, in reads of an odd size.
Decoded DecodeAlbum(const std::vector<std::string>& paths) {
  constexpr size_t kReadFrames = 1000;
  Decoded d;
  for (const std::string& path : paths) {
    std::unique_ptr<AudioDecoder> dec = OpenExtraFormatDecoder(path);
    if (!dec) ADD_FAILURE() << path << " was not taken";
    if (!dec) return d;
    d.format = dec->Format();
    d.lengths.push_back(dec->LengthFrames());
    std::string buf(kReadFrames * static_cast<size_t>(d.format.BytesPerFrame()), '\0');
    while (size_t n = dec->Read(buf.data(), kReadFrames)) d.bytes.append(buf.data(), n * d.format.BytesPerFrame());
  }
  return d;
}

// One continuous stereo signal cut into three songs at odd frame counts.
std::vector<std::string> MakeAlbum(const TempDir& dir, int rate, int bits) {
  const std::string full = dir.File("full.wav");
  Run("sox -R -D -n -r " + std::to_string(rate) + " -c 2 -b " + std::to_string(bits) + " " + full +
      " synth 4 sine 220-1760 sine 300 vol 0.7");
  const std::vector<std::pair<std::string, std::string>> cuts = {
      {"1.wav", "trim 0s 70001s"}, {"2.wav", "trim 70001s 33333s"}, {"3.wav", "trim 103334s"}};
  std::vector<std::string> parts;
  for (const auto& [name, trim] : cuts) {
    Run("sox " + full + " " + dir.File(name) + " " + trim);
    parts.push_back(dir.File(name));
  }
  return parts;
}

// Frames in a part as sox wrote it.
int64_t WavFrames(const std::string& path) {
  std::unique_ptr<AudioDecoder> d = OpenExtraFormatDecoder(path);
  return d ? d->LengthFrames() : -1;
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
  return s.replace(s.rfind(from), from.size(), to);
}

// `command` with IN and OUT replaced by the paths.
std::string Command(const std::string& command, const std::string& in, const std::string& out) {
  return Replace(Replace(command, "IN", in), "OUT", out);
}

// Encodes the parts with `encode` and decodes them to raw samples with
// `reference` (commands with the places IN and OUT).
struct Album {
  std::vector<std::string> encoded;
  std::vector<int64_t> sourceFrames;
  std::string reference; // the reference tool's raw output, back to back
};

Album Encode(const std::vector<std::string>& parts, const std::string& ext, const std::string& encode,
             const std::string& reference) {
  Album a;
  for (const std::string& part : parts) {
    const std::string out = Replace(part, ".wav", ext), raw = Replace(part, ".wav", ".raw");
    Run(Command(encode, part, out));
    Run(Command(reference, out, raw));
    a.encoded.push_back(out);
    a.sourceFrames.push_back(WavFrames(part));
    a.reference += ReadAll(raw);
  }
  return a;
}

template <class T> std::vector<T> As(const std::string& bytes) {
  std::vector<T> v(bytes.size() / sizeof(T));
  std::memcpy(v.data(), bytes.data(), v.size() * sizeof(T));
  return v;
}

// The first differing sample's index, or -1 when all are equal.
template <class T> long FirstDifference(const std::vector<T>& a, const std::vector<T>& b) {
  for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (a[i] != b[i]) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

constexpr char kFlacEncode[] = "flac -s -f -o OUT IN";
constexpr char kFlacDecode[] = "flac -s -d -f --force-raw-format --endian=little --sign=signed -o OUT IN";

// A seek into the first song and a read from there give the frames that
// reading through gave at that point; a seek to the end reads none. Opus
// does not repeat the same bits after a seek: its decoder state converges
// over some thousand frames, so it is compared from `settle` frames on
// within `tolerance` (a frame early or late differs by several times that).
template <class Sample>
void ExpectSeekLandsExactly(const std::string& path, const Decoded& through, double tolerance = 0,
                            size_t settle = 0) {
  constexpr int64_t kTarget = 12345;
  constexpr size_t kFrames = 4000;
  std::unique_ptr<AudioDecoder> dec = OpenExtraFormatDecoder(path);
  ASSERT_TRUE(dec);
  dec->Seek(kTarget);
  std::vector<Sample> got(kFrames * 2);
  size_t n = 0;
  while (n < kFrames) {
    const size_t r = dec->Read(got.data() + 2 * n, kFrames - n);
    ASSERT_GT(r, 0u);
    n += r;
  }
  const std::vector<Sample> all = As<Sample>(through.bytes);
  for (size_t i = 2 * settle; i < got.size(); ++i)
    ASSERT_NEAR(static_cast<double>(got[i]), static_cast<double>(all[2 * kTarget + i]), tolerance) << "sample " << i;
  dec->Seek(dec->LengthFrames() + 100); // clamped to the end
  EXPECT_EQ(dec->Read(got.data(), 1), 0u);
}

TEST(ExtraFormatsAlbum, FlacSixteenBitEqualsFlacTool) {
  TempDir dir;
  const Album a = Encode(MakeAlbum(dir, 44100, 16), ".flac", kFlacEncode, kFlacDecode);
  const Decoded d = DecodeAlbum(a.encoded);
  EXPECT_EQ(d.format, (AudioFormat{44100, 2, SampleEncoding::S16}));
  EXPECT_EQ(d.lengths, a.sourceFrames);
  EXPECT_EQ(FirstDifference(As<int16_t>(d.bytes), As<int16_t>(a.reference)), -1);
  ExpectSeekLandsExactly<int16_t>(a.encoded[0], d);
}

TEST(ExtraFormatsAlbum, FlacTwentyFourBitKeepsItsLowBits) {
  TempDir dir;
  const Album a = Encode(MakeAlbum(dir, 96000, 24), ".flac", kFlacEncode, kFlacDecode);
  const Decoded d = DecodeAlbum(a.encoded);
  EXPECT_EQ(d.format, (AudioFormat{96000, 2, SampleEncoding::S32}));
  EXPECT_EQ(d.lengths, a.sourceFrames);
  // flac -d writes 3 bytes a sample; the decoder the same bits at the top of 32.
  std::vector<int32_t> expected;
  bool lowBitsUsed = false;
  for (size_t i = 0; i + 3 <= a.reference.size(); i += 3) {
    const auto* p = reinterpret_cast<const uint8_t*>(a.reference.data() + i);
    const uint32_t u = static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 24;
    expected.push_back(static_cast<int32_t>(u));
    lowBitsUsed = lowBitsUsed || p[0] != 0;
  }
  EXPECT_TRUE(lowBitsUsed);
  EXPECT_EQ(FirstDifference(As<int32_t>(d.bytes), expected), -1);
}

// opusdec at 48 kHz (no resampling) with float output, which has no dither.
TEST(ExtraFormatsAlbum, OpusEqualsOpusdecWithItsPreSkipAndEndTrim) {
  TempDir dir;
  const Album a = Encode(MakeAlbum(dir, 48000, 16), ".opus", "opusenc --quiet --bitrate 96 IN OUT",
                         "opusdec --quiet --rate 48000 --float --no-dither IN OUT");
  const Decoded d = DecodeAlbum(a.encoded);
  EXPECT_EQ(d.format, (AudioFormat{48000, 2, SampleEncoding::F32}));
  EXPECT_EQ(d.lengths, a.sourceFrames);
  EXPECT_EQ(FirstDifference(As<float>(d.bytes), As<float>(a.reference)), -1);
  ExpectSeekLandsExactly<float>(a.encoded[0], d, 0.02, 3000);
}

// oggdec writes 16-bit samples without dither (libvorbisfile's ov_read:
// round to nearest, clip); the decoder's float frames turned the same way.
TEST(ExtraFormatsAlbum, VorbisEqualsOggdecByGranulePositions) {
  TempDir dir;
  const Album a = Encode(MakeAlbum(dir, 44100, 16), ".ogg", "oggenc -Q -q 4 -o OUT IN", "oggdec -Q -R -o OUT IN");
  const Decoded d = DecodeAlbum(a.encoded);
  EXPECT_EQ(d.format, (AudioFormat{44100, 2, SampleEncoding::F32}));
  EXPECT_EQ(d.lengths, a.sourceFrames);
  std::vector<int16_t> mine;
  for (float f : As<float>(d.bytes)) {
    const long v = std::lrint(static_cast<double>(f * 32768.f));
    mine.push_back(static_cast<int16_t>(std::clamp(v, -32768L, 32767L)));
  }
  EXPECT_EQ(FirstDifference(mine, As<int16_t>(a.reference)), -1);
  ExpectSeekLandsExactly<float>(a.encoded[0], d);
}

} // namespace

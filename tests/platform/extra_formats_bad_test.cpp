// WAV files built byte by byte (every sample size, the folding of more
// channels, headers that lie), damaged FLAC and Ogg files, and which files
// the extra decoders take at all.
#include "platform/AudioDecoder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using testsupport::ReadAll;
using testsupport::TempDir;
using testsupport::WriteAll;

std::string Le(uint64_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
  return s;
}

constexpr uint16_t kPcm = 1, kFloat = 3, kAdpcm = 2, kExtensible = 0xFFFE;

std::string FmtChunk(uint16_t tag, int channels, int bits, uint16_t subFormat = 0) {
  const int align = channels * bits / 8;
  std::string body = Le(tag, 2) + Le(channels, 2) + Le(8000, 4) + Le(8000 * align, 4) + Le(align, 2) + Le(bits, 2);
  if (tag == kExtensible) body += Le(22, 2) + Le(bits, 2) + Le(0, 4) + Le(subFormat, 2) + std::string(14, 'x');
  return "fmt " + Le(body.size(), 4) + body;
}

// RIFF/WAVE around the chunks; `dataSize` is what the data chunk claims.
std::string Wav(const std::string& fmt, const std::string& samples, int64_t dataSize = -1,
                const std::string& before = "") {
  const std::string data = "data" + Le(dataSize < 0 ? samples.size() : static_cast<uint64_t>(dataSize), 4) + samples;
  const std::string body = "WAVE" + fmt + before + data;
  return "RIFF" + Le(body.size(), 4) + body;
}

std::string F32(float f) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &f, 4);
  return s;
}
std::string F64(double d) {
  std::string s(8, '\0');
  std::memcpy(s.data(), &d, 8);
  return s;
}

struct Played {
  AudioFormat format;
  int64_t length = -1;
  std::vector<double> samples; // every output sample, whatever its encoding
};

Played PlayAll(const std::string& path) {
  Played p;
  std::unique_ptr<AudioDecoder> d = OpenExtraFormatDecoder(path);
  if (!d) return p;
  p.format = d->Format();
  p.length = d->LengthFrames();
  std::vector<uint8_t> buf(64 * 8);
  while (size_t n = d->Read(buf.data(), 64))
    for (size_t i = 0; i < n * 2; ++i) {
      if (p.format.encoding == SampleEncoding::S16) p.samples.push_back(reinterpret_cast<int16_t*>(buf.data())[i]);
      else if (p.format.encoding == SampleEncoding::S32) p.samples.push_back(reinterpret_cast<int32_t*>(buf.data())[i]);
      else p.samples.push_back(reinterpret_cast<float*>(buf.data())[i]);
    }
  return p;
}

TEST(WavReader, EverySampleSizeChannelCountAndLyingHeader) {
  const std::string s16 = Le(1, 2) + Le(0xFFFE, 2) + Le(32767, 2) + Le(0x8000, 2);
  const struct {
    const char* name;
    std::string file;
    SampleEncoding encoding;
    std::vector<double> expected;
  } cases[] = {
      {"16-bit stereo", Wav(FmtChunk(kPcm, 2, 16), s16), SampleEncoding::S16, {1, -2, 32767, -32768}},
      {"8-bit mono, unsigned, doubled", Wav(FmtChunk(kPcm, 1, 8), std::string("\x80\xFF\x00", 3)), SampleEncoding::S16,
       {0, 0, 127 * 256, 127 * 256, -128 * 256, -128 * 256}},
      {"24-bit keeps its low bits", Wav(FmtChunk(kPcm, 2, 24), Le(0x123456, 3) + Le(0xFFFFFF, 3)),
       SampleEncoding::S32, {0x12345600, -256}},
      {"32-bit", Wav(FmtChunk(kPcm, 2, 32), Le(0x80000000u, 4) + Le(7, 4)), SampleEncoding::S32, {-2147483648.0, 7}},
      {"float mono", Wav(FmtChunk(kFloat, 1, 32), F32(0.5f) + F32(-0.25f)), SampleEncoding::F32,
       {0.5, 0.5, -0.25, -0.25}},
      {"64-bit float", Wav(FmtChunk(kFloat, 2, 64), F64(0.125) + F64(-1.0)), SampleEncoding::F32, {0.125, -1.0}},
      {"extensible 24-bit", Wav(FmtChunk(kExtensible, 2, 24, kPcm), Le(1, 3) + Le(2, 3)), SampleEncoding::S32,
       {256, 512}},
      {"three channels fold the centre into both sides", Wav(FmtChunk(kPcm, 3, 16), Le(0, 2) + Le(0, 2) + Le(10000, 2)),
       SampleEncoding::S16, {4142, 4142}},
      {"size larger than the file: as far as the data goes", Wav(FmtChunk(kPcm, 2, 16), s16, 1 << 20),
       SampleEncoding::S16, {1, -2, 32767, -32768}},
      {"unfinished size 0xFFFFFFFF", Wav(FmtChunk(kPcm, 2, 16), s16, 0xFFFFFFFFu), SampleEncoding::S16,
       {1, -2, 32767, -32768}},
      {"a half frame at the end is dropped", Wav(FmtChunk(kPcm, 2, 16), s16 + "\x01\x02"), SampleEncoding::S16,
       {1, -2, 32767, -32768}},
      {"an odd-sized chunk before the data is padded", Wav(FmtChunk(kPcm, 2, 16), s16, -1, "LIST" + Le(3, 4) + "abc?"),
       SampleEncoding::S16, {1, -2, 32767, -32768}},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(dir.File("t.wav"), c.file);
    const Played p = PlayAll(dir.File("t.wav"));
    EXPECT_EQ(p.format.encoding, c.encoding);
    EXPECT_EQ(p.format.rate, 8000);
    EXPECT_EQ(p.length, static_cast<int64_t>(c.expected.size() / 2));
    ASSERT_EQ(p.samples.size(), c.expected.size());
    for (size_t i = 0; i < c.expected.size(); ++i) EXPECT_NEAR(p.samples[i], c.expected[i], 0.5) << i;
  }
}

TEST(WavReader, RefusesWhatItCannotPlayWithItsReason) {
  const struct {
    const char* name;
    std::string file;
    const char* reason;
  } cases[] = {
      {"compressed", Wav(FmtChunk(kAdpcm, 2, 4), "abcd"), "compressed"},
      {"12-bit", Wav(FmtChunk(kPcm, 2, 12), "abcdef"), "not one that is played"},
      {"data before format", "RIFF" + Le(20, 4) + "WAVEdata" + Le(4, 4) + "abcd", "before its format"},
      {"no format", "RIFF" + Le(4, 4) + "WAVE", "no format chunk"},
      {"format cut short", "RIFF" + Le(16, 4) + "WAVEfmt " + Le(16, 4) + "abc", "cut short"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(dir.File("t.wav"), c.file);
    try {
      OpenExtraFormatDecoder(dir.File("t.wav"));
      ADD_FAILURE() << "opened";
    } catch (const AudioDecoderError& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
  }
}

void RunTool(const std::string& command) { ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command; }

// Reads to the end or to an error; returns the frames read and the error.
int64_t ReadToEndOrError(const std::string& path, std::string& error) {
  std::unique_ptr<AudioDecoder> d = OpenExtraFormatDecoder(path);
  std::vector<uint8_t> buf(1024 * 8);
  int64_t frames = 0;
  try {
    while (size_t n = d->Read(buf.data(), 1024)) frames += static_cast<int64_t>(n);
  } catch (const AudioDecoderError& e) {
    error = e.what();
  }
  return frames;
}

class DamagedFiles : public ::testing::Test {
protected:
  void SetUp() override {
    RunTool("sox -R -D -n -r 44100 -c 2 -b 16 " + dir_.File("s.wav") + " synth 10 pinknoise vol 0.5");
    RunTool("flac -s -f -o " + dir_.File("s.flac") + " " + dir_.File("s.wav"));
    RunTool("oggenc -Q -o " + dir_.File("s.ogg") + " " + dir_.File("s.wav"));
    RunTool("opusenc --quiet " + dir_.File("s.wav") + " " + dir_.File("s.opus"));
  }
  // The file with one Ogg page (the sixth) left out.
  std::string WithoutAPage(const std::string& name) {
    const std::string bytes = ReadAll(dir_.File(name));
    std::vector<size_t> pages;
    for (size_t at = bytes.find("OggS"); at != std::string::npos; at = bytes.find("OggS", at + 1)) pages.push_back(at);
    EXPECT_GT(pages.size(), 8u);
    const std::string path = dir_.File("gap-" + name);
    WriteAll(path, bytes.substr(0, pages[5]) + bytes.substr(pages[6]));
    return path;
  }
  TempDir dir_;
  const int64_t kFrames = 10 * 44100;
};

TEST_F(DamagedFiles, FlacWithABadChecksumStopsThereWithItsReason) {
  // One bit of the checksum that ends the frame before a frame header (sync
  // code FF F8) past the middle of the file.
  std::string bytes = ReadAll(dir_.File("s.flac"));
  const size_t next = bytes.find("\xFF\xF8", bytes.size() / 2);
  ASSERT_NE(next, std::string::npos);
  bytes[next - 1] = static_cast<char>(bytes[next - 1] ^ 0x01);
  WriteAll(dir_.File("bad.flac"), bytes);
  std::string error;
  const int64_t frames = ReadToEndOrError(dir_.File("bad.flac"), error);
  EXPECT_GT(frames, kFrames / 4); // what came before the damage played
  EXPECT_LT(frames, kFrames);
  EXPECT_NE(error.find("FLAC data is damaged"), std::string::npos) << error;
}

TEST_F(DamagedFiles, CutFlacPlaysAsFarAsItsDataGoes) {
  const std::string bytes = ReadAll(dir_.File("s.flac"));
  WriteAll(dir_.File("cut.flac"), bytes.substr(0, bytes.size() / 2));
  std::string error;
  const int64_t frames = ReadToEndOrError(dir_.File("cut.flac"), error);
  EXPECT_GT(frames, kFrames / 4);
  EXPECT_LT(frames, kFrames);
}

TEST_F(DamagedFiles, OggWithAMissingPagePlaysOnAfterTheGap) {
  for (const char* name : {"s.ogg", "s.opus"}) {
    SCOPED_TRACE(name);
    std::string error;
    const int64_t frames = ReadToEndOrError(WithoutAPage(name), error);
    EXPECT_EQ(error, "");
    const int64_t whole = std::string(name) == "s.opus" ? 10 * 48000 : kFrames;
    EXPECT_GT(frames, whole / 2);
    EXPECT_LT(frames, whole);
  }
}

TEST(ExtraFormatDecoder, TakesOnlyItsOwnFormats) {
  TempDir dir;
  WriteAll(dir.File("junk.flac"), "not audio at all");
  WriteAll(dir.File("speex.ogg"), "OggS" + std::string(24, '\0') + "Speex   " + std::string(40, '\0'));
  WriteAll(dir.File("notes.txt"), "not audio at all");
  WriteAll(dir.File("flac-named.mp3"), "fLaC" + std::string(40, '\0'));
  EXPECT_EQ(OpenExtraFormatDecoder(dir.File("notes.txt")), nullptr);
  // An MP3 name goes to the MP3 decoder whatever its bytes.
  EXPECT_EQ(OpenExtraFormatDecoder(dir.File("flac-named.mp3")), nullptr);
  for (const char* refused : {"junk.flac", "speex.ogg", "missing.opus"})
    EXPECT_THROW(OpenExtraFormatDecoder(dir.File(refused)), AudioDecoderError) << refused;
}

} // namespace

#include "platform/WavHeader.h"

#include "tags/LittleEndian.h"

#include <cstring>

namespace {

constexpr size_t kChunkHeader = 8;
constexpr size_t kRiffHeader = 12;
constexpr size_t kFmtMin = 16;
constexpr size_t kFmtExtensible = 26;   // up to the first two bytes of the sub-format
constexpr size_t kSubFormatAt = 24;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 32;
constexpr int kMaxRate = 768000;
// A header with more chunks than this before its audio is not a song.
constexpr int kMaxChunks = 4096;
constexpr uint32_t kUnfinishedSize = 0xFFFFFFFFu;

bool BitsAllowed(bool isFloat, int bits) {
  if (isFloat) return bits == 32 || bits == 64;
  return bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

WavHeaderStatus ParseFmt(const uint8_t* f, size_t size, WavLayout& out, std::string& why) {
  uint16_t tag = littleendian::U16(f);
  if (tag == kFormatExtensible) {
    if (size < kFmtExtensible) {
      why = "its format chunk is cut short";
      return WavHeaderStatus::Damaged;
    }
    tag = littleendian::U16(f + kSubFormatAt);
  }
  if (tag != kFormatPcm && tag != kFormatFloat) {
    why = "its WAV audio is compressed (only PCM and float WAV files are played)";
    return WavHeaderStatus::Unsupported;
  }
  out.isFloat = tag == kFormatFloat;
  out.channels = littleendian::U16(f + 2);
  const uint32_t rate = littleendian::U32(f + 4);
  out.bitsPerSample = littleendian::U16(f + 14);
  if (out.channels < 1 || out.channels > kMaxChannels || rate < 1 || rate > static_cast<uint32_t>(kMaxRate) ||
      !BitsAllowed(out.isFloat, out.bitsPerSample)) {
    why = "its WAV format (channels, rate or sample size) is not one that is played";
    return WavHeaderStatus::Unsupported;
  }
  out.rate = static_cast<int>(rate);
  out.bytesPerFrame = out.channels * out.bitsPerSample / 8;
  return WavHeaderStatus::Ok;
}

} // namespace

WavHeaderStatus ParseWavHeader(const WavReadAt& read, int64_t fileSize, WavLayout& out, std::string& why) {
  out = WavLayout();
  uint8_t riff[kRiffHeader];
  if (!read(0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    why = "it is not a WAV file";
    return WavHeaderStatus::NotWav;
  }
  bool haveFmt = false;
  int64_t at = kRiffHeader;
  for (int chunk = 0; chunk < kMaxChunks; ++chunk) {
    uint8_t header[kChunkHeader];
    if (!read(at, header, sizeof header)) break;
    const uint32_t size = littleendian::U32(header + 4);
    const int64_t body = at + static_cast<int64_t>(kChunkHeader);
    if (std::memcmp(header, "fmt ", 4) == 0) {
      uint8_t fmt[kFmtExtensible] = {};
      if (size < kFmtMin || !read(body, fmt, size < kFmtExtensible ? size : kFmtExtensible)) {
        why = "its format chunk is cut short";
        return WavHeaderStatus::Damaged;
      }
      const WavHeaderStatus s = ParseFmt(fmt, size, out, why);
      if (s != WavHeaderStatus::Ok) return s;
      haveFmt = true;
    } else if (std::memcmp(header, "data", 4) == 0) {
      if (!haveFmt) {
        why = "its audio comes before its format chunk";
        return WavHeaderStatus::Damaged;
      }
      const int64_t inFile = fileSize - body;
      int64_t bytes = size == 0 || size == kUnfinishedSize ? inFile : static_cast<int64_t>(size);
      if (bytes > inFile) bytes = inFile;
      out.dataOffset = body;
      out.dataBytes = bytes / out.bytesPerFrame * out.bytesPerFrame;
      return WavHeaderStatus::Ok;
    }
    // Chunks are padded to an even length.
    at = body + static_cast<int64_t>(size) + (size & 1u);
  }
  why = haveFmt ? "it holds no audio chunk" : "it has no format chunk";
  return WavHeaderStatus::Damaged;
}

#include "tags/VorbisContainer.h"

#include "tags/LittleEndian.h"

#include "tags/TagFile.h"
#include "tags/VorbisComment.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vorbiscontainer {
namespace {

constexpr char kFlacMagic[] = "fLaC";
constexpr size_t kMagicSize = 4;
constexpr size_t kFlacBlockHeader = 4;
constexpr uint8_t kFlacLastBlock = 0x80;
constexpr uint8_t kFlacTypeMask = 0x7F;
constexpr uint8_t kFlacVorbisComment = 4;
constexpr uint8_t kFlacInvalidType = 127;

constexpr char kOggMagic[] = "OggS";
constexpr size_t kOggHeader = 27;          // up to and including the segment count
constexpr size_t kOggSerialAt = 14;
constexpr size_t kOggSequenceAt = 18;
constexpr size_t kOggSegmentsAt = 26;
constexpr uint8_t kLacingContinues = 255;  // a lacing value of 255: the packet goes on
// Pages looked at before giving up: the comment packet follows the first
// one; other streams' pages may come between them in a multiplexed file.
constexpr int kMaxOggPages = 256;

constexpr char kVorbisIdent[] = "\x01vorbis";
constexpr char kVorbisComment[] = "\x03vorbis";
constexpr size_t kVorbisSignature = 7;
constexpr char kOpusHead[] = "OpusHead";
constexpr char kOpusTags[] = "OpusTags";
constexpr size_t kOpusSignature = 8;

bool StartsWith(const std::string& s, const char* sig, size_t n) {
  return s.size() >= n && std::memcmp(s.data(), sig, n) == 0;
}

// Reads up to `length` bytes at `at` (as far as the file goes, at most
// kMaxBlock) into block.
bool ReadBlock(const tagfile::Source& src, int64_t at, size_t length, std::string& block) {
  const int64_t left = src.Size() - at;
  size_t n = std::min(length, kMaxBlock);
  if (left < static_cast<int64_t>(n)) n = static_cast<size_t>(left > 0 ? left : 0);
  block.resize(n);
  return n == 0 || src.ReadExact(at, block.data(), n);
}

Kind FlacComment(const tagfile::Source& src, std::string& block) {
  int64_t at = kMagicSize;
  while (true) {
    uint8_t header[kFlacBlockHeader];
    if (!src.ReadExact(at, header, sizeof header)) return Kind::None;
    at += kFlacBlockHeader;
    const uint8_t type = header[0] & kFlacTypeMask;
    const uint32_t length = static_cast<uint32_t>(header[1]) << 16 | static_cast<uint32_t>(header[2]) << 8 | header[3];
    if (type == kFlacInvalidType) return Kind::None;
    if (type == kFlacVorbisComment) {
      if (!ReadBlock(src, at, length, block)) return Kind::None;
      // Some writers put too small a length on this block, and libFLAC
      // reads it anyway: the comment's own lengths tell where it ends.
      vorbiscomment::Fields probe;
      if (vorbiscomment::Parse(reinterpret_cast<const uint8_t*>(block.data()), block.size(), probe) && probe.cut &&
          !ReadBlock(src, at, kMaxBlock, block))
        return Kind::None;
      return Kind::Flac;
    }
    if (header[0] & kFlacLastBlock) return Kind::None;
    at += length;
  }
}

// Collects the first two packets of the stream that the first page belongs
// to; stops at a missing page (a jump in the page sequence) with what it has.
Kind OggComment(const tagfile::Source& src, std::string& block) {
  std::array<std::string, 2> packets;
  size_t packet = 0;
  int64_t at = 0;
  uint32_t serial = 0, nextSequence = 0;
  bool first = true;
  for (int page = 0; page < kMaxOggPages && packet < packets.size(); ++page) {
    uint8_t header[kOggHeader];
    if (!src.ReadExact(at, header, sizeof header) || std::memcmp(header, kOggMagic, kMagicSize) != 0) break;
    const uint32_t pageSerial = littleendian::U32(header + kOggSerialAt);
    const uint32_t sequence = littleendian::U32(header + kOggSequenceAt);
    const size_t segments = header[kOggSegmentsAt];
    uint8_t lacing[256];
    if (!src.ReadExact(at + kOggHeader, lacing, segments)) break;
    int64_t body = at + static_cast<int64_t>(kOggHeader + segments);
    size_t bodySize = 0;
    for (size_t i = 0; i < segments; ++i) bodySize += lacing[i];
    at = body + static_cast<int64_t>(bodySize);
    if (first) {
      serial = pageSerial;
      nextSequence = sequence;
      first = false;
    }
    if (pageSerial != serial) continue;
    if (sequence != nextSequence) break; // a page is missing
    ++nextSequence;
    for (size_t i = 0; i < segments && packet < packets.size(); ++i) {
      std::string& p = packets[packet];
      const size_t room = kMaxBlock + kOpusSignature - std::min(p.size(), kMaxBlock + kOpusSignature);
      const size_t take = std::min<size_t>(lacing[i], room);
      if (take > 0) {
        const size_t old = p.size();
        p.resize(old + take);
        if (!src.ReadExact(body, p.data() + old, take)) return Kind::None;
      }
      body += lacing[i];
      if (lacing[i] != kLacingContinues) ++packet;
    }
  }
  Kind kind = Kind::None;
  size_t signature = 0;
  if (StartsWith(packets[0], kVorbisIdent, kVorbisSignature) &&
      StartsWith(packets[1], kVorbisComment, kVorbisSignature)) {
    kind = Kind::OggVorbis;
    signature = kVorbisSignature;
  } else if (StartsWith(packets[0], kOpusHead, kOpusSignature) &&
             StartsWith(packets[1], kOpusTags, kOpusSignature)) {
    kind = Kind::Opus;
    signature = kOpusSignature;
  } else {
    return Kind::None;
  }
  block.assign(packets[1], signature, std::string::npos);
  return kind;
}

} // namespace

Kind KindOf(const tagfile::Source& src) {
  char magic[kMagicSize];
  if (!src.ReadExact(0, magic, kMagicSize)) return Kind::None;
  if (std::memcmp(magic, kFlacMagic, kMagicSize) == 0) return Kind::Flac;
  if (std::memcmp(magic, kOggMagic, kMagicSize) == 0) return Kind::OggVorbis; // or Opus: FindComment tells
  return Kind::None;
}

Kind FindComment(const tagfile::Source& src, std::string& block) {
  block.clear();
  switch (KindOf(src)) {
    case Kind::Flac:
      return FlacComment(src, block);
    case Kind::None:
      return Kind::None;
    default:
      return OggComment(src, block);
  }
}

} // namespace vorbiscontainer

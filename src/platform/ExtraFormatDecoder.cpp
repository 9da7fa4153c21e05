// Which of the extra decoders a file needs, told by its first bytes: "fLaC"
// (after an ID3v2 tag some writers put in front), "OggS" with an Opus or
// Vorbis first packet, "RIFF....WAVE".
#include "platform/AudioDecoder.h"
#include "platform/ExtraFormatDecoders.h"
#include "platform/SongFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kSniffBytes = 64;
constexpr size_t kId3HeaderSize = 10;
constexpr size_t kOggFirstPacketAt = 28; // after the 27-byte page header and one lacing value
constexpr int kId3SizeBits = 7;          // an ID3v2 size is four 7-bit bytes

bool Has(const uint8_t* p, size_t n, size_t at, const char* sig) {
  const size_t len = std::strlen(sig);
  return at <= n && n - at >= len && std::memcmp(p + at, sig, len) == 0;
}

std::string LowerExtension(const std::string& path) {
  const size_t dot = path.find_last_of("./");
  if (dot == std::string::npos || path[dot] != '.') return {};
  std::string ext = path.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

bool IsExtraFormatName(const std::string& ext) {
  return ext == ".flac" || ext == ".ogg" || ext == ".oga" || ext == ".opus" || ext == ".wav";
}

// Where the audio starts: after an ID3v2 tag, when the file has one.
int64_t Id3v2End(const SongFile& file) {
  uint8_t h[kId3HeaderSize];
  if (!file.ReadAt(0, h, sizeof h) || std::memcmp(h, "ID3", 3) != 0) return 0;
  int64_t size = 0;
  for (int i = 6; i < 10; ++i) size = size << kId3SizeBits | (h[i] & 0x7F);
  return static_cast<int64_t>(kId3HeaderSize) + size;
}

} // namespace

std::unique_ptr<AudioDecoder> OpenExtraFormatDecoder(const std::string& path) {
  const std::string ext = LowerExtension(path);
  // An MP3 file plays through the MP3 decoder whatever its bytes look like.
  if (ext == ".mp3") return nullptr;
  uint8_t head[kSniffBytes] = {};
  size_t n = 0;
  {
    SongFile file(path);
    n = static_cast<size_t>(std::min<int64_t>(file.Size(), kSniffBytes));
    if (!file.ReadAt(0, head, n)) n = 0;
    uint8_t flac[4];
    const int64_t behindId3 = Id3v2End(file);
    if (behindId3 > 0 && file.ReadAt(behindId3, flac, sizeof flac) && std::memcmp(flac, "fLaC", 4) == 0)
      return OpenFlacDecoder(path);
  }
  if (Has(head, n, 0, "fLaC")) return OpenFlacDecoder(path);
  if (Has(head, n, 0, "RIFF") && Has(head, n, 8, "WAVE")) return OpenWavDecoder(path);
  if (Has(head, n, 0, "OggS")) {
    if (Has(head, n, kOggFirstPacketAt, "OpusHead")) return OpenOpusDecoder(path);
    if (Has(head, n, kOggFirstPacketAt, "\x01vorbis")) return OpenVorbisDecoder(path);
    throw AudioDecoderError("its Ogg stream holds neither Vorbis nor Opus audio");
  }
  if (IsExtraFormatName(ext)) throw AudioDecoderError("it is not a FLAC, Ogg Vorbis, Opus or WAV file, or it is damaged");
  return nullptr;
}

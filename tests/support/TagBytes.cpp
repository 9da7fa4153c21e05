#include "support/TagBytes.h"

namespace testsupport {

std::string Id3v1Block(const Id3v1Fields& f) {
  std::string b(128, '\0');
  auto put = [&b](size_t at, const std::string& s, size_t width) {
    b.replace(at, s.size() < width ? s.size() : width, s.substr(0, width));
  };
  put(0, f.magic, 3);
  put(3, f.title, 30);
  put(33, f.artist, 30);
  put(63, f.album, 30);
  put(93, f.year, 4);
  put(97, f.comment, 30);
  if (f.byte125 >= 0) b[125] = static_cast<char>(f.byte125);
  if (f.byte126 >= 0) b[126] = static_cast<char>(f.byte126);
  b[127] = static_cast<char>(f.genre);
  return b;
}

std::string Id3v2Frame(const std::string& id, const std::string& data, uint16_t flags,
                       int64_t declaredSize) {
  std::string f = id.substr(0, 4);
  f.resize(4, ' ');
  const uint32_t size = declaredSize >= 0 ? static_cast<uint32_t>(declaredSize)
                                          : static_cast<uint32_t>(data.size());
  f.push_back(static_cast<char>(size >> 24));
  f.push_back(static_cast<char>(size >> 16));
  f.push_back(static_cast<char>(size >> 8));
  f.push_back(static_cast<char>(size));
  f.push_back(static_cast<char>(flags >> 8));
  f.push_back(static_cast<char>(flags));
  return f + data;
}

std::string Id3v2TextFrame(const std::string& id, const std::string& text) {
  return Id3v2Frame(id, std::string(1, '\0') + text);
}

std::string Id3v2Header(uint8_t major, uint32_t sizeAfterHeader, uint8_t flags) {
  std::string h = "ID3";
  h.push_back(static_cast<char>(major));
  h.push_back('\0');
  h.push_back(static_cast<char>(flags));
  h.push_back(static_cast<char>((sizeAfterHeader >> 21) & 0x7F));
  h.push_back(static_cast<char>((sizeAfterHeader >> 14) & 0x7F));
  h.push_back(static_cast<char>((sizeAfterHeader >> 7) & 0x7F));
  h.push_back(static_cast<char>(sizeAfterHeader & 0x7F));
  return h;
}

std::string Id3v2Tag(uint8_t major, const std::vector<std::string>& frames, size_t padding,
                     uint8_t flags) {
  std::string body;
  for (const std::string& f : frames) body += f;
  body.append(padding, '\0');
  return Id3v2Header(major, static_cast<uint32_t>(body.size()), flags) + body;
}

std::string SilentMpegFrames(size_t count, uint8_t seed) {
  // FF FB: sync, MPEG-1, Layer III, no CRC. 90: 128 kbit/s, 44.1 kHz, no
  // padding. 00: stereo. Frame length 144 * 128000 / 44100 = 417 bytes.
  constexpr size_t kFrame = 417;
  std::string out;
  out.reserve(count * kFrame);
  for (size_t i = 0; i < count; ++i) {
    std::string fr(kFrame, '\0');
    fr[0] = static_cast<char>(0xFF);
    fr[1] = static_cast<char>(0xFB);
    fr[2] = static_cast<char>(0x90);
    fr[3] = static_cast<char>(0x00);
    fr[kFrame - 1] = static_cast<char>(seed + i);
    out += fr;
  }
  return out;
}

std::string Id3v22Frame(const std::string& id, const std::string& data) {
  std::string f = id.substr(0, 3);
  f.resize(3, ' ');
  const auto size = static_cast<uint32_t>(data.size());
  f.push_back(static_cast<char>(size >> 16));
  f.push_back(static_cast<char>(size >> 8));
  f.push_back(static_cast<char>(size));
  return f + data;
}

std::string Id3v24Frame(const std::string& id, const std::string& data, uint16_t flags,
                        int64_t declaredSize) {
  if (declaredSize >= 0) return Id3v2Frame(id, data, flags, declaredSize);
  const auto size = static_cast<uint32_t>(data.size());
  const uint32_t syncsafe = (size & 0x7F) | (size >> 7 & 0x7F) << 8 | (size >> 14 & 0x7F) << 16 |
                            (size >> 21 & 0x7F) << 24;
  return Id3v2Frame(id, data, flags, syncsafe);
}

std::string Unsynchronised(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (static_cast<uint8_t>(bytes[i]) != 0xFF) continue;
    if (i + 1 == bytes.size() || bytes[i + 1] == '\0' || static_cast<uint8_t>(bytes[i + 1]) >= 0xE0)
      out.push_back('\0');
  }
  return out;
}

std::string Utf16Le(const std::string& ascii) {
  std::string s = "\xFF\xFE";
  for (char c : ascii) {
    s.push_back(c);
    s.push_back('\0');
  }
  return s;
}

} // namespace testsupport

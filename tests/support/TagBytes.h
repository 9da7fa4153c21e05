#pragma once
// Builds the bytes of ID3v1 and ID3v2 tags and of small MPEG audio parts, so
// tests and benchmarks can write tagged files of any shape, broken ones too.
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// Fields of an ID3v1 block. Texts are copied as given (cut to the field
// width); zero bytes fill the rest. With commentBytes125 and 126 set to
// values >= 0 those two bytes are written last, over the comment.
struct Id3v1Fields {
  std::string title, artist, album, year, comment;
  int byte125 = -1; // -1: leave as the comment put it
  int byte126 = -1;
  uint8_t genre = 255;
  std::string magic = "TAG";
};
// The 128-byte block.
std::string Id3v1Block(const Id3v1Fields& f);

// One ID3v2.3 frame: 4-character id, big-endian 32-bit data size (or
// declaredSize when >= 0), two flag bytes, then data.
std::string Id3v2Frame(const std::string& id, const std::string& data, uint16_t flags = 0,
                       int64_t declaredSize = -1);
// A text frame as writers make it: encoding byte 0 then the text.
std::string Id3v2TextFrame(const std::string& id, const std::string& text);

// The 10-byte tag header: "ID3", major, revision 0, flags, then the size of
// the rest as four 7-bit bytes (synchsafe).
std::string Id3v2Header(uint8_t major, uint32_t sizeAfterHeader, uint8_t flags = 0);
// A whole tag: header followed by the frames and padding zero bytes.
std::string Id3v2Tag(uint8_t major, const std::vector<std::string>& frames, size_t padding = 0,
                     uint8_t flags = 0);

// count MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz, stereo) that decode to
// silence: a header, zero side information and zero main data. Each frame is
// 417 bytes. A distinct seed varies nothing audible but fills the last data
// byte of each frame, so copies can be told apart.
std::string SilentMpegFrames(size_t count, uint8_t seed = 0);

// One ID3v2.2 frame: 3-character id, big-endian 24-bit data size, data.
std::string Id3v22Frame(const std::string& id, const std::string& data);
// One ID3v2.4 frame: 4-character id, syncsafe data size (or declaredSize
// when >= 0, written as it is given), two flag bytes, then data.
std::string Id3v24Frame(const std::string& id, const std::string& data, uint16_t flags = 0,
                        int64_t declaredSize = -1);
// The bytes with unsynchronisation applied: a zero byte after every FF that
// is followed by a zero byte or one of E0 and above, or that ends the bytes.
std::string Unsynchronised(const std::string& bytes);

// UTF-16 little-endian bytes with the FF FE mark, from ASCII text.
std::string Utf16Le(const std::string& ascii);

} // namespace testsupport

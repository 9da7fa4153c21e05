#pragma once
// The ID3v2 reading of every version in use: ID3v2.2 (three-letter frames),
// ID3v2.3 and ID3v2.4, with unsynchronisation, extended headers and frame
// flags. It takes the seven texts the tag summary needs, already as display
// text (UTF-8). The classic reader (TID3v2) is separate and unchanged.
// Internal to the tags folder.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagfile { class Source; }

namespace id3v2frames {

enum Field { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kFieldCount };

struct Texts {
  bool hasTag = false;      // the file starts with "ID3"
  uint8_t majorVersion = 0; // 2, 3 or 4 when frames were read
  // Display texts: track as its frame holds it ("7/12"), genre with numbers
  // named ("(17)" gives "Rock"), comment without its description.
  std::array<std::string, kFieldCount> text;
};

// Reads the tag at the start of src. False only when the first 10 bytes
// cannot be read. Tags of other major versions count as present and empty.
bool Read(tagfile::Source& src, Texts& out);

// The text of a text frame's data (encoding byte first) as display text.
// With joinValues, values separated by a zero are joined with " / ";
// otherwise the text ends at the first zero.
std::string FrameText(const uint8_t* data, size_t size, bool joinValues);

// A genre text with ID3v1 genre numbers named: "17", "(17)", "(17)Rock" all
// give "Rock"; "(4)Eurodisco" gives "Disco / Eurodisco"; other text stays.
std::string GenreName(const std::string& text);

} // namespace id3v2frames

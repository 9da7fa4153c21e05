#pragma once
// The tag summary: what the tags of a file say, in seven display texts
// (UTF-8). The ID3v2 tag is asked first, the ID3v1 tag second; a FLAC, Ogg
// Vorbis or Opus file's Vorbis comment before both.
#include "tags/Id3v1.h"
#include "tags/Id3v2.h"

#include <string>

namespace KID3Lib {
struct SimpleID3 { std::string Title, Artist, Album, Track, Year, Genre, Version; };
// Version of a summary read from a Vorbis comment: the kind of file it is in.
inline constexpr char kVorbisCommentFlac[] = "FLAC";
inline constexpr char kVorbisCommentOgg[] = "Ogg Vorbis";
inline constexpr char kVorbisCommentOpus[] = "Opus";
SimpleID3 ReadSimpleID3(const std::string& FileName);   // texts converted for display (UTF-8)
enum class TagReading { Classic, AllVersions };          // Classic: ID3v2.3 only, as the one-argument call
// AllVersions reads ID3v2.2, 2.3 and 2.4 tags (unsynchronised ones too) and
// every text encoding; Version is then "2.2", "2.3" or "2.4" for them.
SimpleID3 ReadSimpleID3(const std::string& FileName, TagReading reading);
bool IsTagEmpty(const TID3v2&);
bool IsTagEmpty(const TID3v1&);
std::string NarrowUnicodeText(const std::string& text); // display conversion, see PLATFORM.md
std::string TagReportCaption(const SimpleID3&);          // "ID3v" + Version + " mp3 tag"
std::string TagReportText(const SimpleID3&);             // the report's lines joined by CR LF

// Display text of a single-byte tag text (ID3v1): ends at the first zero
// byte; kept when it is valid UTF-8, else read as Latin-1.
std::string SingleByteText(const std::string& text);
}

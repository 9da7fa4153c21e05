#pragma once
#include <string>

// Small path helpers shared by the playlist code. Paths are byte strings and
// the folder separator is "/".
namespace PathRules {

// True when the extension (dot included) is ".mp3", ignoring the case of A-Z.
bool IsMp3File(const std::string& ext);

// True when the extension (dot included) names a song the player plays:
// ".mp3", and with `allFormats` also ".flac", ".ogg", ".oga", ".opus" and
// ".wav"; the case of A-Z is ignored.
bool IsSongFile(const std::string& ext, bool allFormats);

// The text from the last "." to the end, or "" when a "/" follows that dot
// or there is no dot at all. "a/b.c/d" has no extension; ".mp3" is one.
std::string ExtractFileExt(const std::string& path);

// The text after the last "/" (the whole path when there is none).
std::string ExtractFileName(const std::string& path);

// The path up to and including its last "/" ("" when there is none).
std::string ExtractFilePath(const std::string& path);

} // namespace PathRules

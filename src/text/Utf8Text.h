#pragma once
// Character-wise views of UTF-8 text: song captions are cut and measured in
// characters, never inside one. A byte that does not start a well-formed
// sequence counts as one character of its own, so any byte string can be
// measured and cut without running past its end.
#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8Text {

// Bytes of the character that starts at `i` (1 to 4; 0 at the end).
size_t CharSize(std::string_view s, size_t i);
// Number of characters.
size_t Length(std::string_view s);
// Byte offset of character number `index` (0-based); s.size() past the end.
size_t Offset(std::string_view s, size_t index);
// Up to `count` characters starting at character `first` (0-based).
std::string Mid(std::string_view s, size_t first, size_t count);

// Whether s is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// past U+10FFFF, no sequence cut short).
bool IsValid(std::string_view s);
// Bytes such as a file name, as UTF-8 text to show: s itself when it is
// valid UTF-8, else every byte read as Latin-1 (one character each). Never
// a replacement character; the name itself stays as it is for opening.
std::string ForDisplay(std::string_view s);

// Bytes of a text written on Windows (Windows-1252, Latin-1 with printable
// signs in 0x80-0x9F) as UTF-8. The five bytes Windows-1252 leaves unused
// become the control characters of the same number, as Windows reads them.
std::string FromWindows1252(std::string_view s);

// At most maxChars characters: a longer text keeps its first and last
// characters with U+2026 "…" between them, so a path keeps its start and
// its file name. Never cuts inside a character.
std::string ShortenMiddle(std::string_view s, size_t maxChars);
// Message texts are kept to what a message box can show at once.
inline constexpr size_t kMaxMessageChars = 600;
inline constexpr size_t kMaxMessageLines = 40;
// The text a message box shows: ForDisplay of s, cut to kMaxMessageChars
// characters (ShortenMiddle) and then to kMaxMessageLines lines (the first
// and last lines with a "…" line between them).
std::string MessageText(std::string_view s);

} // namespace Utf8Text

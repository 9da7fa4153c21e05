#pragma once
// The line rules every line-based file of the player follows (playlists,
// skin scripts): a line ends at CR LF, a lone CR or a lone LF; an empty line
// between two line ends is kept; a line end at the very end starts no
// further line; a NUL byte ends the text. No byte-order mark handling, no
// trimming, no character conversion.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace TextLines {

std::vector<std::string> Split(const std::string& text);
// How many lines Split(text) gives, counted without making them.
size_t CountLines(const std::string& text);
// The lines joined, each one followed by CR LF.
std::string JoinCrLf(const std::vector<std::string>& lines);
// The lines of a regular file of at most `maxBytes` and `maxLines` lines,
// read in one go without blocking. Throws
// std::runtime_error("Cannot open file \"<path>\". <reason>").
std::vector<std::string> Read(const std::string& path, size_t maxBytes, size_t maxLines = SIZE_MAX);

} // namespace TextLines

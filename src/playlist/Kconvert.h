#pragma once
#include <string>
#include <vector>

// Readers of the foreign playlist formats (.m3u, .pls, .b4s) and the line
// reader shared by every playlist and skin file.
namespace Kconvert {

// The file's lines: a line ends at CR LF, a lone CR or a lone LF; an empty
// line between two line ends is kept; a line end at the very end starts no
// further line; a NUL byte ends the text. No byte-order mark handling, no
// trimming, no character conversion. The file is read in one go.
// Throws std::runtime_error("Cannot open file \"<path>\". <reason>") when the
// file cannot be opened or read (callers test for the file first).
std::vector<std::string> ReadTextLines(const std::string& path);

// Every line that holds no "#", in order, empty lines included.
std::vector<std::string> ReadM3u(const std::string& path);

// The value (text after the first "=") of every line whose first four
// characters are "File" (exact case); such a line without "=" is taken whole.
std::vector<std::string> ReadPls(const std::string& path);

// Every non-empty text between `<entry Playstring="file:` and the next `">`
// of the file's lines joined with CR LF. Nothing is unescaped.
std::vector<std::string> ReadB4s(const std::string& path);

// Prefixes every relative entry (one that does not start with "/" and holds no
// ":", so URLs stay as they are) with the playlist's folder: its path up to
// and including the last "/".
void MakeAbsolutePaths(const std::string& playlistPath, std::vector<std::string>& list);

// The line rules of ReadTextLines applied to text already in memory.
std::vector<std::string> SplitTextLines(const std::string& text);

// The lines joined, each one followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

} // namespace Kconvert

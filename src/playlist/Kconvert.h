#pragma once
#include <cstddef>
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
// file cannot be opened or read (callers test for the file first), is not a
// regular file (a FIFO is refused at once, never waited on) or is longer
// than kMaxPlaylistBytes or has more than kMaxPlaylistLines lines.
std::vector<std::string> ReadTextLines(const std::string& path);
// The same with another size limit (skin scripts are small).
std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxBytes);
// Larger than any playlist a person keeps (a million entries).
inline constexpr std::size_t kMaxPlaylistBytes = 256u * 1024u * 1024u;
// A playlist file of more lines is refused (ReadTextLines throws "... It has
// more than 1000000 lines."): every line costs about a hundred bytes in the
// list, so a file of short lines would take many times its size.
inline constexpr std::size_t kMaxPlaylistLines = 1000000;

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

// ---- Playlists written by other players ----
//
// The *Entries readers return a playlist's entries as paths ready to add,
// each entry resolved by ResolvePlaylistEntries.

// An entry "file:///..." or "file://localhost/..." as a path: the part from
// the third "/" on, percent escapes decoded ("%20" -> " "). Every other text
// (http:// and other hosts, a path, an escape that would give a NUL byte)
// comes back unchanged.
std::string FileUriToPath(const std::string& entry);

// file:// entries become paths (FileUriToPath). A relative entry (see
// MakeAbsolutePaths) gets the playlist's folder in front; when it holds "\"
// and does not name a file as it stands, "\" is read as "/" (a list written
// on Windows: "sub\a.mp3" is "<folder>sub/a.mp3"). Other entries stay.
void ResolvePlaylistEntries(const std::string& playlistPath, std::vector<std::string>& list);

// An .m3u8 (UTF-8 M3U) file's entries: every line that is not empty or a
// comment ("#" first), blanks around it removed, a byte-order mark at the
// start of the file removed.
std::vector<std::string> ReadM3u8(const std::string& path);

std::vector<std::string> ReadM3uEntries(const std::string& path);  // ReadM3u, resolved
std::vector<std::string> ReadM3u8Entries(const std::string& path); // ReadM3u8, resolved
std::vector<std::string> ReadPlsEntries(const std::string& path);  // ReadPls, resolved

// The reader for a playlist file by its extension (any letter case):
// .vpls ReadTextLines, .m3u ReadM3uEntries, .m3u8 ReadM3u8Entries,
// .pls ReadPlsEntries, .b4s ReadB4s; nullptr for any other file.
using PlaylistReader = std::vector<std::string> (*)(const std::string& path);
PlaylistReader PlaylistReaderFor(const std::string& path);

// The line rules of ReadTextLines applied to text already in memory.
std::vector<std::string> SplitTextLines(const std::string& text);

// The lines joined, each one followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

} // namespace Kconvert

#include "playlist/Kconvert.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>

#include "playlist/PathRules.h"
#include "text/TextLines.h"
#include "text/Utf8Text.h"
#include "text/Tokens.h"

namespace Kconvert {
namespace {

bool StartsWithNoCase(const std::string& s, size_t at, std::string_view prefix) {
  if (at > s.size() || s.size() - at < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    char c = s[at + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsRelativeEntry(const std::string& entry) {
  return (entry.empty() || entry[0] != '/') && entry.find(':') == std::string::npos;
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string TrimBlanks(const std::string& s) {
  size_t from = 0, to = s.size();
  while (from < to && (s[from] == ' ' || s[from] == '\t')) ++from;
  while (to > from && (s[to - 1] == ' ' || s[to - 1] == '\t')) --to;
  return s.substr(from, to - from);
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

} // namespace

std::vector<std::string> SplitTextLines(const std::string& text) { return TextLines::Split(text); }

std::string JoinLinesCrLf(const std::vector<std::string>& lines) { return TextLines::JoinCrLf(lines); }

std::vector<std::string> ReadTextLines(const std::string& path) {
  return TextLines::Read(path, kMaxPlaylistBytes, kMaxPlaylistLines);
}

std::vector<std::string> ReadTextLines(const std::string& path, size_t maxBytes) {
  return TextLines::Read(path, maxBytes);
}

std::vector<std::string> ReadM3u(const std::string& path) {
  // Filtered in place: no second list of every line.
  std::vector<std::string> lines = ReadTextLines(path);
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.find('#') != std::string::npos; }),
              lines.end());
  return lines;
}

std::vector<std::string> ReadPls(const std::string& path) {
  std::vector<std::string> result;
  for (std::string& line : ReadTextLines(path)) {
    if (line.size() < 4 || line.compare(0, 4, "File") != 0) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      result.push_back(std::move(line));
    } else {
      result.push_back(line.substr(eq + 1));
    }
  }
  return result;
}

std::vector<std::string> ReadB4s(const std::string& path) {
  return Tokens::TokensBetween(JoinLinesCrLf(ReadTextLines(path)), "<entry Playstring=\"file:", "\">");
}

void MakeAbsolutePaths(const std::string& playlistPath, std::vector<std::string>& list) {
  const std::string folder = PathRules::ExtractFilePath(playlistPath);
  for (std::string& entry : list) {
    const bool relative = (entry.empty() || entry[0] != '/') && entry.find(':') == std::string::npos;
    if (relative) entry.insert(0, folder);
  }
}

std::string FileUriToPath(const std::string& entry) {
  if (!StartsWithNoCase(entry, 0, "file:") || entry.find('\0') != std::string::npos) return entry;
  size_t start;
  if (entry.compare(5, 3, "///") == 0) start = 7; // file:///path
  else if (StartsWithNoCase(entry, 5, "//localhost/")) start = 16;
  else return entry; // another host, or not a URI we read
  std::string path;
  path.reserve(entry.size() - start);
  for (size_t i = start; i < entry.size(); ++i) {
    const int hi = entry[i] == '%' && i + 2 < entry.size() ? HexValue(entry[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(entry[i + 2]) : -1;
    if (lo < 0) {
      path += entry[i];
      continue;
    }
    const char byte = static_cast<char>(hi * 16 + lo);
    if (byte == '\0') return entry; // no file name holds one
    path += byte;
    i += 2;
  }
  return path;
}

namespace {

// A relative entry as a path below `folder`. When it holds "\" and does not
// name a file as it stands, "\" is read as "/" (written on Windows:
// "sub\a.mp3" means "sub/a.mp3"; "\a.mp3" too).
std::string RelativeEntryPath(const std::string& folder, const std::string& entry) {
  if (entry.find('\\') == std::string::npos || IsRegularFile(folder + entry)) return folder + entry;
  std::string path = entry;
  for (char& c : path)
    if (c == '\\') c = '/';
  const size_t first = path.find_first_not_of('/');
  return folder + (first == std::string::npos ? std::string() : path.substr(first));
}

} // namespace

void ResolvePlaylistEntries(const std::string& playlistPath, std::vector<std::string>& list) {
  const std::string folder = PathRules::ExtractFilePath(playlistPath);
  for (std::string& entry : list) {
    // `prefix` is what the resolved path holds before the list's own text.
    std::string prefix;
    if (StartsWithNoCase(entry, 0, "file:")) {
      entry = FileUriToPath(entry);
    } else if (IsRelativeEntry(entry)) {
      entry = RelativeEntryPath(folder, entry);
      prefix = folder;
    }
    // A name that is not UTF-8 and names no file was likely written on
    // Windows in its 8-bit code page, while the disk names it in UTF-8.
    const std::string_view name = std::string_view(entry).substr(prefix.size());
    if (Utf8Text::IsValid(name) || IsRegularFile(entry)) continue;
    std::string converted = prefix + Utf8Text::FromWindows1252(name);
    if (IsRegularFile(converted)) entry = std::move(converted);
  }
}

std::vector<std::string> ReadM3u8(const std::string& path) {
  std::vector<std::string> lines = ReadTextLines(path);
  if (!lines.empty() && lines[0].compare(0, kUtf8Bom.size(), kUtf8Bom) == 0) lines[0].erase(0, kUtf8Bom.size());
  size_t kept = 0;  // the entries are gathered at the front of the same list
  for (std::string& line : lines) {
    std::string entry = TrimBlanks(line);
    if (!entry.empty() && entry[0] != '#') lines[kept++] = std::move(entry);
  }
  lines.resize(kept);
  return lines;
}

std::vector<std::string> ReadM3uEntries(const std::string& path) {
  std::vector<std::string> list = ReadM3u(path);
  ResolvePlaylistEntries(path, list);
  return list;
}

std::vector<std::string> ReadM3u8Entries(const std::string& path) {
  std::vector<std::string> list = ReadM3u8(path);
  ResolvePlaylistEntries(path, list);
  return list;
}

std::vector<std::string> ReadPlsEntries(const std::string& path) {
  std::vector<std::string> list = ReadPls(path);
  ResolvePlaylistEntries(path, list);
  return list;
}

PlaylistReader PlaylistReaderFor(const std::string& path) {
  std::string ext = PathRules::ExtractFileExt(path);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (ext == ".vpls") return static_cast<PlaylistReader>(&ReadTextLines);
  if (ext == ".m3u") return &ReadM3uEntries;
  if (ext == ".m3u8") return &ReadM3u8Entries;
  if (ext == ".pls") return &ReadPlsEntries;
  if (ext == ".b4s") return &ReadB4s;
  return nullptr;
}

} // namespace Kconvert

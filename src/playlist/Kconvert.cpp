#include "playlist/Kconvert.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/PathRules.h"
#include "playlist/Tokens.h"

namespace Kconvert {
namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int err) {
  throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(err));
}

// The whole file in one string: one open, reads of the file's size at once.
std::string ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowCannotOpen(path, errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    ThrowCannotOpen(path, err);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    ThrowCannotOpen(path, EISDIR);
  }
  std::string data;
  // One byte more than the reported size, so the end is seen without a
  // second buffer growth; files of unknown size grow by doubling.
  size_t capacity = st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 4096;
  data.resize(capacity);
  size_t used = 0;
  while (true) {
    if (used == data.size()) data.resize(data.size() * 2);
    const ssize_t got = ::read(fd, data.data() + used, data.size() - used);
    if (got < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      ::close(fd);
      ThrowCannotOpen(path, err);
    }
    if (got == 0) break;
    used += static_cast<size_t>(got);
  }
  ::close(fd);
  data.resize(used);
  return data;
}

} // namespace

std::vector<std::string> SplitTextLines(const std::string& text) {
  std::vector<std::string> lines;
  const char* p = text.data();
  const char* end = p + text.size();
  // A NUL byte ends the text.
  if (const void* nul = std::memchr(p, 0, text.size())) end = static_cast<const char*>(nul);
  // The next CR and the next LF at or after p, each searched again only once
  // p has passed it, so every byte is looked at a bounded number of times.
  auto next = [end](const char* from, char c) {
    const void* hit = std::memchr(from, c, static_cast<size_t>(end - from));
    return hit ? static_cast<const char*>(hit) : end;
  };
  const char* cr = next(p, '\r');
  const char* lf = next(p, '\n');
  while (p < end) {
    if (cr < p) cr = next(p, '\r');
    if (lf < p) lf = next(p, '\n');
    const char* q = cr < lf ? cr : lf;
    lines.emplace_back(p, q);
    if (q < end && *q == '\r') ++q;
    if (q < end && *q == '\n') ++q;
    p = q;
  }
  return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 2;
  std::string text;
  text.reserve(total);
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> ReadTextLines(const std::string& path) {
  return SplitTextLines(ReadWholeFile(path));
}

std::vector<std::string> ReadM3u(const std::string& path) {
  std::vector<std::string> lines = ReadTextLines(path);
  std::vector<std::string> result;
  result.reserve(lines.size());
  for (std::string& line : lines) {
    if (line.find('#') == std::string::npos) result.push_back(std::move(line));
  }
  return result;
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

} // namespace Kconvert

#include "text/TextLines.h"

#include <cstring>
#include <stdexcept>

#include "files/SafeRead.h"

namespace TextLines {

std::vector<std::string> Split(const std::string& text) {
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

std::string JoinCrLf(const std::vector<std::string>& lines) {
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

std::vector<std::string> Read(const std::string& path, size_t maxBytes) {
  Files::ReadResult r = Files::ReadRegularFile(path, maxBytes);
  if (!r.Ok()) throw std::runtime_error("Cannot open file \"" + path + "\". " + r.error);
  return Split(r.data);
}

} // namespace TextLines

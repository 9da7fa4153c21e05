#include "text/TextLines.h"

#include <cstring>
#include <stdexcept>

#include "files/SafeRead.h"

namespace TextLines {

namespace {

// Calls f(begin, end) for each line of text, by the rules above.
template <class F> void ForEachLine(const std::string& text, F&& f) {
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
    f(p, q);
    if (q < end && *q == '\r') ++q;
    if (q < end && *q == '\n') ++q;
    p = q;
  }
}

} // namespace

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> lines;
  // Counted first: the list is made at its final size, never regrown.
  lines.reserve(CountLines(text));
  ForEachLine(text, [&lines](const char* begin, const char* end) { lines.emplace_back(begin, end); });
  return lines;
}

size_t CountLines(const std::string& text) {
  size_t count = 0;
  ForEachLine(text, [&count](const char*, const char*) { ++count; });
  return count;
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

std::vector<std::string> Read(const std::string& path, size_t maxBytes, size_t maxLines) {
  Files::ReadResult r = Files::ReadRegularFile(path, maxBytes);
  if (!r.Ok()) throw std::runtime_error("Cannot open file \"" + path + "\". " + r.error);
  // Refused before a line is made: each costs far more than its bytes.
  if (maxLines != SIZE_MAX && CountLines(r.data) > maxLines)
    throw std::runtime_error("Cannot open file \"" + path + "\". It has more than " + std::to_string(maxLines) +
                             " lines.");
  return Split(r.data);
}

} // namespace TextLines

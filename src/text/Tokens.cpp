#include "text/Tokens.h"

namespace Tokens {
namespace {

constexpr size_t npos = std::string::npos;

// Position of `what` in `text` at or after `from`; an empty `what` is never found.
size_t Find(const std::string& text, const std::string& what, size_t from) {
  if (what.empty() || from > text.size()) return npos;
  return text.find(what, from);
}

// Where the scan stands after dropping `count` characters from `from`.
size_t Skip(size_t from, size_t count, size_t size) {
  return count >= size - from ? size : from + count;
}

} // namespace

std::string TokenBetween(const std::string& text, const std::string& open, const std::string& close) {
  size_t start;
  const size_t o = Find(text, open, 0);
  if (o != npos) {
    start = o + open.size();
  } else {
    start = Skip(0, open.empty() ? 0 : open.size() - 1, text.size());
  }
  const size_t c = Find(text, close, start);
  return text.substr(start, c == npos ? npos : c - start);
}

std::vector<std::string> TokensBetween(const std::string& text, const std::string& open, const std::string& close) {
  std::vector<std::string> result;
  const size_t size = text.size();
  size_t pos = 0;
  while (true) {
    const size_t o = Find(text, open, pos);
    if (o == npos) break;
    const size_t start = o + open.size();
    const size_t c = Find(text, close, start);
    if (c == npos) {
      // No close left: this token runs to the end of the text. Every further
      // open inside it would only give a shorter tail of the same text, so
      // the scan ends here (a text of many opens would otherwise grow into a
      // result quadratic in its size).
      if (start < size) result.push_back(text.substr(start));
      break;
    }
    if (c > start) result.push_back(text.substr(start, c - start));
    pos = c + close.size();
  }
  return result;
}

} // namespace Tokens

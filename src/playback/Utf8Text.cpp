#include "playback/Utf8Text.h"

namespace Utf8Text {

size_t CharSize(std::string_view s, size_t i) {
  if (i >= s.size()) return 0;
  const auto lead = static_cast<unsigned char>(s[i]);
  size_t want = 1;
  if (lead >= 0xC2 && lead <= 0xDF) want = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) want = 3;
  else if (lead >= 0xF0 && lead <= 0xF4) want = 4;
  size_t n = 1;
  while (n < want && i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
  // A sequence cut short is taken as its lead byte alone; the bytes after it
  // are counted on their own.
  return n == want ? n : 1;
}

size_t Length(std::string_view s) {
  size_t count = 0;
  for (size_t i = 0; i < s.size(); i += CharSize(s, i)) ++count;
  return count;
}

size_t Offset(std::string_view s, size_t index) {
  size_t i = 0;
  for (; index > 0 && i < s.size(); --index) i += CharSize(s, i);
  return i;
}

std::string Mid(std::string_view s, size_t first, size_t count) {
  const size_t begin = Offset(s, first);
  const size_t end = begin + Offset(s.substr(begin), count);
  return std::string(s.substr(begin, end - begin));
}

} // namespace Utf8Text

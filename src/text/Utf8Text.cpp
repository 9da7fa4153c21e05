#include "text/Utf8Text.h"

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

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6"; // U+2026

// Length of the well-formed sequence at s[i], or 0 when there is none.
size_t ValidSequence(std::string_view s, size_t i) {
  const auto at = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = at(i);
  if (lead < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) n = 2;
  else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    if (lead == 0xE0) lo = 0xA0;      // overlong
    else if (lead == 0xED) hi = 0x9F; // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    if (lead == 0xF0) lo = 0x90;      // overlong
    else if (lead == 0xF4) hi = 0x8F; // past U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size() || at(i + 1) < lo || at(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
  }
  return n;
}

} // namespace

bool IsValid(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = ValidSequence(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string ForDisplay(std::string_view s) {
  if (IsValid(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() * 2);
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

namespace {

// The characters of Windows-1252 bytes 0x80-0x9F (the rest are Latin-1's).
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

} // namespace

std::string FromWindows1252(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (const char c : s) {
    const auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : b);
  }
  return out;
}

std::string ShortenMiddle(std::string_view s, size_t maxChars) {
  // No character is longer than four bytes: a text of more bytes than that
  // is cut without being measured, so a huge one costs only its two ends.
  if (s.size() <= maxChars) return std::string(s);
  if (s.size() <= 4 * maxChars && Length(s) <= maxChars) return std::string(s);
  if (maxChars == 0) return {};
  const size_t head = maxChars / 2;
  const size_t headEnd = Offset(s, head);
  // Walk back over the last characters: each one is the sequence that ends
  // where the previous one started, or a single byte.
  size_t tailStart = s.size();
  for (size_t tail = maxChars - 1 - head; tail > 0 && tailStart > headEnd; --tail) {
    size_t start = tailStart - 1;
    for (size_t back = 2; back <= 4 && back <= tailStart - headEnd; ++back) {
      if (CharSize(s, tailStart - back) == back) {
        start = tailStart - back;
        break;
      }
    }
    tailStart = start;
  }
  std::string out(s.substr(0, headEnd));
  out += kEllipsis;
  out += s.substr(tailStart);
  return out;
}

std::string MessageText(std::string_view s) {
  // Cut before converting: a huge text is never copied whole.
  const std::string text = ForDisplay(ShortenMiddle(s, kMaxMessageChars));
  size_t lines = 1;
  for (const char c : text) lines += c == '\n';
  if (lines <= kMaxMessageLines) return text;
  const size_t head = kMaxMessageLines / 2;
  const size_t tail = kMaxMessageLines - 1 - head;
  size_t headEnd = 0; // just after the head's last line break
  for (size_t k = 0; k < head; ++k) headEnd = text.find('\n', headEnd) + 1;
  size_t tailStart = text.size(); // the first byte of the tail's first line
  for (size_t k = 0; k < tail; ++k) tailStart = text.rfind('\n', tailStart - 1);
  ++tailStart;
  std::string out = text.substr(0, headEnd);
  out += kEllipsis;
  out += '\n';
  out += text.substr(tailStart);
  return out;
}

} // namespace Utf8Text

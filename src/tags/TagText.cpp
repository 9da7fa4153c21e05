#include "tags/TagText.h"

#include <cstring>

namespace tagtext {

namespace {
// Writes cp as UTF-8 at p and returns the position behind it.
char* PutUtf8(char* p, uint32_t cp) {
  if (cp < 0x80) {
    *p++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *p++ = static_cast<char>(0xC0 | (cp >> 6));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (cp >> 12));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (cp >> 18));
    *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return p;
}

} // namespace

std::string DecodeUtf16(const uint8_t* p, size_t n, bool bigEndian) {
  const size_t units = (n + 1) / 2;
  // At most 3 bytes per unit (4 per pair). Tag texts are short: decode them
  // on the stack so the result is the only string made.
  char local[768];
  std::string big;
  char* const start = units * 3 <= sizeof local ? local : (big.resize(units * 3), big.data());
  char* w = start;
  auto unit = [&](size_t i) -> uint32_t {
    const uint32_t a = p[i], b = i + 1 < n ? p[i + 1] : 0;
    return bigEndian ? (a << 8 | b) : (b << 8 | a);
  };
  for (size_t i = 0; i < n; i += 2) {
    uint32_t u = unit(i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 2 < n) {
      const uint32_t lo = unit(i + 2);
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        w = PutUtf8(w, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        i += 2;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    w = PutUtf8(w, u);
  }
  if (start == local) return std::string(local, static_cast<size_t>(w - local));
  big.resize(static_cast<size_t>(w - start));
  return big;
}

bool IsValidUtf8(const uint8_t* p, size_t n) {
  size_t i = 0;
  while (i < n) {
    uint8_t c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t len;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (size_t k = 1; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    // No overlong forms, no surrogates, nothing above U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}


std::string Latin1(const uint8_t* p, size_t n) {
  std::string out(n * 2, '\0');
  char* w = out.data();
  for (size_t i = 0; i < n; ++i) w = PutUtf8(w, p[i]); // Latin-1: byte = code point
  out.resize(static_cast<size_t>(w - out.data()));
  return out;
}

std::string SingleByte(const uint8_t* p, size_t n) {
  if (const void* zero = std::memchr(p, 0, n)) n = static_cast<size_t>(static_cast<const uint8_t*>(zero) - p);
  if (IsValidUtf8(p, n)) return std::string(reinterpret_cast<const char*>(p), n);
  return Latin1(p, n);
}

} // namespace tagtext

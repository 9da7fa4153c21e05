#include "tags/Kid3lib.h"

#include "tags/TagFile.h"

#include <cstring>

namespace KID3Lib {

namespace {

// Writes cp as UTF-8 at p and returns the position behind it.
inline char* PutUtf8(char* p, uint32_t cp) {
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

// UTF-16 behind a byte-order mark; an odd last byte is completed with a zero
// byte (trimming removed it), U+0000 ends the text, and a lone surrogate
// becomes U+FFFD.
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

} // namespace

std::string SingleByteText(const std::string& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  const void* zero = std::memchr(p, 0, text.size());
  const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : text.size();
  if (IsValidUtf8(p, n)) return std::string(text.data(), n);
  std::string out(n * 2, '\0');
  char* w = out.data();
  for (size_t i = 0; i < n; ++i) w = PutUtf8(w, p[i]); // Latin-1: byte = code point
  out.resize(static_cast<size_t>(w - out.data()));
  return out;
}

std::string NarrowUnicodeText(const std::string& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  if (text.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE) return DecodeUtf16(p + 2, text.size() - 2, false);
  if (text.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF) return DecodeUtf16(p + 2, text.size() - 2, true);
  return SingleByteText(text);
}

namespace {
size_t DigitCount(uint8_t v) { return v >= 100 ? 3 : v >= 10 ? 2 : 1; }
} // namespace

} // namespace KID3Lib

// Read access to the tag objects' texts without copying them.
struct TagTexts {
  static const std::string& Title(const TID3v2& t) { return t.title_; }
  static const std::string& Artist(const TID3v2& t) { return t.artist_; }
  static const std::string& Album(const TID3v2& t) { return t.album_; }
  static const std::string& Year(const TID3v2& t) { return t.year_; }
  static const std::string& Genre(const TID3v2& t) { return t.genre_; }
  static const std::string& Comment(const TID3v2& t) { return t.comment_; }
  static const std::string& Title(const TID3v1& t) { return t.title_; }
  static const std::string& Artist(const TID3v1& t) { return t.artist_; }
  static const std::string& Album(const TID3v1& t) { return t.album_; }
  static const std::string& Year(const TID3v1& t) { return t.year_; }
  static const std::string& Comment(const TID3v1& t) { return t.comment_; }
  static size_t GenreLength(const TID3v2& t) { return t.genre_.size(); }
  static size_t GenreLength(const TID3v1& t) {
    return t.genreID_ < MusicGenre.size() ? MusicGenre[t.genreID_].size() : 0;
  }
};

namespace KID3Lib {

// The joined texts (title, artist, album, track digits, year, genre,
// comment) must be longer than 3 bytes for a tag to count.
template <class Tag> bool JoinedTextIsShort(const Tag& tag) {
  if (!tag.HasTag()) return true;
  const size_t len = TagTexts::Title(tag).size() + TagTexts::Artist(tag).size() +
                     TagTexts::Album(tag).size() + DigitCount(tag.Track()) +
                     TagTexts::Year(tag).size() + TagTexts::GenreLength(tag) +
                     TagTexts::Comment(tag).size();
  return len <= 3;
}

bool IsTagEmpty(const TID3v2& tag) { return JoinedTextIsShort(tag); }
bool IsTagEmpty(const TID3v1& tag) { return JoinedTextIsShort(tag); }

SimpleID3 ReadSimpleID3(const std::string& FileName) {
  SimpleID3 r;
  // One open for both tags: the ID3v2 header and frames, then (only when
  // that gives nothing) the last 128 bytes, all through the same descriptor.
  int64_t size = 0;
  const int fd = tagfile::OpenForReading(FileName, size);
  if (fd < 0) return r;
  TID3v2 v2;
  if (v2.ReadFromDescriptor(fd, size) && !IsTagEmpty(v2)) {
    r.Title = NarrowUnicodeText(TagTexts::Title(v2));
    r.Artist = NarrowUnicodeText(TagTexts::Artist(v2));
    r.Album = NarrowUnicodeText(TagTexts::Album(v2));
    r.Track = std::to_string(v2.Track());
    r.Year = NarrowUnicodeText(TagTexts::Year(v2));
    r.Genre = NarrowUnicodeText(TagTexts::Genre(v2));
    r.Version = "2.3.x";
  } else {
    TID3v1 v1;
    if (v1.ReadFromDescriptor(fd, size) && !IsTagEmpty(v1)) {
      r.Title = SingleByteText(TagTexts::Title(v1));
      r.Artist = SingleByteText(TagTexts::Artist(v1));
      r.Album = SingleByteText(TagTexts::Album(v1));
      r.Track = std::to_string(v1.Track());
      r.Year = SingleByteText(TagTexts::Year(v1));
      r.Genre = v1.FGetGenre();
      r.Version = "1.1";
    }
  }
  tagfile::Close(fd);
  return r;
}

std::string TagReportCaption(const SimpleID3& s) { return "ID3v" + s.Version + " mp3 tag"; }

std::string TagReportText(const SimpleID3& s) {
  static const std::string kRule(61, '-');
  static const char kBreak[] = "\r\n";
  std::string t;
  t.reserve(256 + s.Title.size() + s.Artist.size() + s.Album.size() + s.Year.size() +
            s.Genre.size() + s.Track.size());
  t += kRule + kBreak;
  t += "Title: " + s.Title + kBreak;
  t += "Artist: " + s.Artist + kBreak;
  t += "Album: " + s.Album + kBreak;
  t += "Track: " + s.Track + "  Year: " + s.Year + "  Genre: " + s.Genre + kBreak;
  t += kRule + kBreak;
  t += "Press ctrl-c to copy this information to the clipboard";
  return t;
}

} // namespace KID3Lib

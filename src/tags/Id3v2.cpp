#include "tags/Id3v2.h"

#include "tags/TagFile.h"
#include "tags/TagRewrite.h"

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Frame identifiers in slot order; also the order frames are written in.
constexpr std::array<const char*, 7> kFrameIDs = {"TIT2", "TPE1", "TALB", "TRCK",
                                                   "TYER", "TCON", "COMM"};
// A frame identifier's four bytes as one number, for quick comparison.
inline uint32_t Id4(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}
constexpr uint32_t Key(const char (&s)[5]) {
  return uint32_t{static_cast<uint8_t>(s[0])} << 24 | uint32_t{static_cast<uint8_t>(s[1])} << 16 |
         uint32_t{static_cast<uint8_t>(s[2])} << 8 | uint32_t{static_cast<uint8_t>(s[3])};
}
constexpr std::array<uint32_t, 7> kFrameIDKeys = {Key("TIT2"), Key("TPE1"), Key("TALB"),
                                                  Key("TRCK"), Key("TYER"), Key("TCON"),
                                                  Key("COMM")};
enum Slot { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment, kSlots };

// The most of the tag loaded in one read; frames beyond it are read one by one.
constexpr size_t kWindowSize = 4096;

bool StartsWithId3(const uint8_t* h) { return h[0] == 'I' && h[1] == 'D' && h[2] == '3'; }

// Total tag size from the header, header included; 0 when the declared size
// does not fit in the file. Each size byte is used whole, as the tag writers
// that set the top bit expect to be read.
int32_t TotalTagSize(const uint8_t* h, int64_t fileSize) {
  int64_t size = (int64_t{h[6]} << 21) + (int64_t{h[7]} << 14) + (int64_t{h[8]} << 7) +
                 int64_t{h[9]} + static_cast<int64_t>(TID3v2::HeaderSize);
  return size > fileSize ? 0 : static_cast<int32_t>(size);
}

// The text between leading and trailing characters of code 0 to 32 (16-bit
// texts by whole units).
std::string Trimmed(const char* data, size_t size) { return tagfile::TrimmedText(data, size); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A 16-bit text: a byte-order mark FF FE (little-endian) or FE FF (big-endian)
// in front of 16-bit code units. Trimming may have taken the zero half of the
// last unit, so a missing last byte counts as zero.
bool IsUtf16(const std::string& s) {
  if (s.size() < 2) return false;
  const auto a = static_cast<uint8_t>(s[0]), b = static_cast<uint8_t>(s[1]);
  return (a == 0xFF && b == 0xFE) || (a == 0xFE && b == 0xFF);
}

uint32_t Utf16Unit(const std::string& s, size_t at) {
  const bool bigEndian = static_cast<uint8_t>(s[0]) == 0xFE;
  const uint32_t a = static_cast<uint8_t>(s[at]);
  const uint32_t b = at + 1 < s.size() ? static_cast<uint8_t>(s[at + 1]) : 0;
  return bigEndian ? (a << 8 | b) : (b << 8 | a);
}

void PutBE32(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

} // namespace

TID3v2::TID3v2() { ResetData(); }

void TID3v2::ResetData() {
  hasTag_ = false;
  majorVersion_ = 0;
  tagSize_ = 0;
  title_.clear();
  artist_.clear();
  album_.clear();
  track_ = 0;
  year_.clear();
  genre_.clear();
  comment_.clear();
}

uint8_t TID3v2::ParseTrack(const std::string& text) {
  std::string s;
  if (IsUtf16(text)) {
    // Track numbers written as 16-bit text (as many encoders do) are read
    // the same as single-byte ones.
    s.reserve(text.size() / 2);
    for (size_t i = 2; i < text.size(); i += 2) {
      const uint32_t u = Utf16Unit(text, i);
      if (u == 0) break;
      s.push_back(u < 0x80 ? static_cast<char>(u) : '\x7F'); // non-ASCII: no number
    }
  } else {
    s = text;
  }
  tagfile::Trim(s);
  size_t slash = s.find('/');
  if (slash != std::string::npos) s.resize(slash);
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  int base = 10;
  if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return 0; // no digits
  int64_t value = 0;
  for (; i < n; ++i) {
    int d = base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (d < 0) return 0;
    value = value * base + d;
    if (value > int64_t{INT32_MAX} + 1) return 0; // outside the 32-bit range
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return 0;
  return static_cast<uint8_t>(static_cast<uint64_t>(value) & 0xFF);
}

std::string TID3v2::ParseGenre(const std::string& text) {
  std::string s = tagfile::TrimmedText(text.data(), text.size());
  if (IsUtf16(s)) {
    // Look for ")" among the 16-bit characters and keep the mark in front.
    size_t after = 0; // byte offset behind the last ")"
    for (size_t i = 2; i < s.size(); i += 2)
      if (Utf16Unit(s, i) == ')') after = i + 2;
    if (after == 0) return s;
    if (after >= s.size()) return std::string();
    return s.substr(0, 2) + s.substr(after);
  }
  size_t close = s.rfind(')');
  if (close != std::string::npos) s.erase(0, close + 1);
  return s;
}

bool TID3v2::ReadFrom(tagfile::Source& src) {
  ResetData();
  uint8_t header[HeaderSize];
  if (!src.ReadExact(0, header, HeaderSize)) return false;
  if (!StartsWithId3(header)) return true;
  hasTag_ = true;
  majorVersion_ = header[3];
  tagSize_ = TotalTagSize(header, src.Size());
  if (majorVersion_ != 3 || tagSize_ == 0) return true;

  // Bring the tag (up to kWindowSize bytes of it) into memory with one read;
  // typical text frames then cost no further system call.
  uint8_t window[kWindowSize];
  if (static_cast<size_t>(tagSize_) > HeaderSize) {
    size_t want = static_cast<size_t>(tagSize_) - HeaderSize;
    src.LoadWindow(HeaderSize, window, want < kWindowSize ? want : kWindowSize);
  }

  // One slot per frame identifier: the last such frame's first 250 data
  // bytes. Behind shorter data the slot counts as zero bytes, which trimming
  // removes, so only the bytes read are kept and trimmed.
  char slots[kSlots][FrameTextSize];
  size_t slotLen[kSlots] = {};
  const uint64_t end = static_cast<uint64_t>(tagSize_) < static_cast<uint64_t>(src.Size())
                           ? static_cast<uint64_t>(tagSize_)
                           : static_cast<uint64_t>(src.Size());
  uint64_t pos = HeaderSize;
  while (pos < end) {
    uint8_t fh[HeaderSize];
    if (!src.ReadExact(static_cast<int64_t>(pos), fh, HeaderSize)) break;
    // Padding (zero bytes) or anything not starting like a frame ends the list.
    if (fh[0] < 'A' || fh[0] > 'Z') break;
    const uint32_t size = (uint32_t{fh[4]} << 24) | (uint32_t{fh[5]} << 16) |
                          (uint32_t{fh[6]} << 8) | uint32_t{fh[7]};
    const uint64_t dataStart = pos + HeaderSize;
    const size_t n = size < FrameTextSize ? size : FrameTextSize;
    int slot = -1;
    const uint32_t id = Id4(fh);
    for (int i = 0; i < kSlots; ++i) {
      if (id == kFrameIDKeys[static_cast<size_t>(i)]) {
        slot = i;
        break;
      }
    }
    if (slot >= 0) {
      char buf[FrameTextSize];
      if (!src.ReadExact(static_cast<int64_t>(dataStart), buf, n)) break;
      std::memcpy(slots[slot], buf, n);
      slotLen[slot] = n;
    } else if (dataStart + n > static_cast<uint64_t>(src.Size())) {
      break; // its data cannot be read: the list ends as for a short read
    }
    pos = dataStart + size;
  }

  auto text = [&](Slot s) { return Trimmed(slots[s], slotLen[s]); };
  title_ = text(kTitle);
  artist_ = text(kArtist);
  album_ = text(kAlbum);
  year_ = text(kYear);
  track_ = ParseTrack(text(kTrack));
  genre_ = ParseGenre(text(kGenre));
  // Comment: behind the encoding byte and the three language characters.
  if (slotLen[kComment] > 4) comment_ = Trimmed(slots[kComment] + 4, slotLen[kComment] - 4);
  return true;
}

bool TID3v2::ReadFromDescriptor(int fd, int64_t fileSize) {
  tagfile::Source src = tagfile::Source::FromDescriptor(fd, fileSize);
  return ReadFrom(src);
}

bool TID3v2::ReadFromBuffer(const uint8_t* data, size_t size) {
  tagfile::Source src = tagfile::Source::FromMemory(data, size);
  return ReadFrom(src);
}

bool TID3v2::ReadFromFile(const std::string& FileName) {
  ResetData();
  int64_t size = 0;
  int fd = tagfile::OpenForReading(FileName, size);
  if (fd < 0) return false;
  bool ok = ReadFromDescriptor(fd, size);
  tagfile::Close(fd);
  return ok;
}

std::string TID3v2::MakeTag() const {
  std::array<std::string, kSlots> slots;
  slots[kTitle] = title_;
  slots[kArtist] = artist_;
  slots[kAlbum] = album_;
  if (track_ > 0) slots[kTrack] = std::to_string(track_);
  slots[kYear] = year_;
  slots[kGenre] = genre_;
  if (!comment_.empty()) slots[kComment] = std::string("eng\0", 4) + comment_;

  uint64_t body = 0;
  for (const std::string& s : slots)
    if (!s.empty()) body += s.size() + 11;
  if (body > 0x0FFFFFFF) return std::string(); // does not fit in 28 bits

  std::string tag;
  tag.reserve(HeaderSize + static_cast<size_t>(body));
  tag.append("ID3\x03\x00\x00", 6);
  const uint32_t b = static_cast<uint32_t>(body);
  tag.push_back(static_cast<char>((b >> 21) & 0x7F));
  tag.push_back(static_cast<char>((b >> 14) & 0x7F));
  tag.push_back(static_cast<char>((b >> 7) & 0x7F));
  tag.push_back(static_cast<char>(b & 0x7F));
  for (size_t i = 0; i < kSlots; ++i) {
    const std::string& s = slots[i];
    if (s.empty()) continue;
    tag.append(kFrameIDs[i], 4);
    PutBE32(tag, static_cast<uint32_t>(s.size() + 1));
    tag.append("\0\0\0", 3); // flags, then encoding byte 0
    tag += s;
  }
  return tag;
}

bool TID3v2::SaveToFile(const std::string& FileName) {
  const std::string tag = MakeTag();
  if (tag.empty()) return false;
  return Rewrite(FileName, &tag);
}

bool TID3v2::RemoveFromFile(const std::string& FileName) { return Rewrite(FileName, nullptr); }

// Writes the new file completely under the name + "~" and then renames it
// over the original in one step (tagfile::RewriteOptions), so that at every
// moment either the old or the new file is complete under the original name.
// Any failure leaves the original untouched and removes the temporary file.
bool TID3v2::Rewrite(const std::string& FileName, const std::string* newTag) {
  int64_t size = 0;
  const int in = tagfile::OpenForReading(FileName, size);
  if (in < 0) return false;
  uint8_t header[HeaderSize];
  if (!tagfile::ReadExactAt(in, 0, header, HeaderSize)) {
    tagfile::Close(in);
    return false;
  }
  const bool hasId3 = StartsWithId3(header);
  if (!newTag && !hasId3) {
    tagfile::Close(in);
    return false;
  }
  const int64_t skip = hasId3 ? TotalTagSize(header, size) : 0;
  // Through a link to the file it names; anything but a regular file is refused.
  Files::AtomicFile out(FileName, tagfile::RewriteOptions());
  bool ok = out.Open();
  if (ok && newTag) ok = out.Write(*newTag);
  ok = ok && tagfile::CopyRange(in, skip, size, out);
  tagfile::Close(in);
  return ok && out.Commit();
}

void TID3v2::FSetTitle(const std::string& v) { title_ = v; tagfile::TrimRight(title_); }
void TID3v2::FSetArtist(const std::string& v) { artist_ = v; tagfile::TrimRight(artist_); }
void TID3v2::FSetAlbum(const std::string& v) { album_ = v; tagfile::TrimRight(album_); }
void TID3v2::FSetYear(const std::string& v) { year_ = v; tagfile::TrimRight(year_); }
void TID3v2::FSetGenre(const std::string& v) { genre_ = v; tagfile::TrimRight(genre_); }
void TID3v2::FSetComment(const std::string& v) { comment_ = v; tagfile::TrimRight(comment_); }
void TID3v2::FSetTrack(uint8_t v) { track_ = v; }

bool TID3v2::HasTag() const { return hasTag_; }
uint8_t TID3v2::MajorVersion() const { return majorVersion_; }
int32_t TID3v2::TagSize() const { return tagSize_; }
std::string TID3v2::Title() const { return title_; }
std::string TID3v2::Artist() const { return artist_; }
std::string TID3v2::Album() const { return album_; }
uint8_t TID3v2::Track() const { return track_; }
std::string TID3v2::Year() const { return year_; }
std::string TID3v2::Genre() const { return genre_; }
std::string TID3v2::Comment() const { return comment_; }

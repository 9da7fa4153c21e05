#include "tags/Id3v2Frames.h"

#include "tags/Id3v1.h"
#include "tags/TagFile.h"
#include "tags/TagText.h"

#include <cstring>
#include <vector>

namespace id3v2frames {

namespace {

constexpr size_t kHeaderSize = 10;
// Read with the header in one call: typical tags fit, frames behind it are
// read one by one, and only when they are wanted.
constexpr size_t kWindowSize = 4096 + kHeaderSize;
// The most of one wanted frame's data that is read (its text is cut there).
constexpr size_t kMaxFrameData = 4096;
// The most of a tag that is read whole to undo its unsynchronisation.
constexpr size_t kMaxUnsynchronisedTag = size_t{16} << 20;

// Tag header flags.
constexpr uint8_t kTagUnsynchronised = 0x80;
constexpr uint8_t kTagExtendedHeader = 0x40; // ID3v2.2: compressed tag instead
// Frame format flags (second flag byte).
constexpr uint8_t kV23Compressed = 0x80, kV23Encrypted = 0x40, kV23Grouped = 0x20;
constexpr uint8_t kV24Grouped = 0x40, kV24Compressed = 0x08, kV24Encrypted = 0x04,
                  kV24Unsynchronised = 0x02, kV24DataLength = 0x01;
constexpr size_t kDataLengthSize = 4, kGroupSize = 1;

enum : int { kYearTdrc = kFieldCount, kSlotCount }; // ID3v2.4 recording time

struct FrameName { char id[5]; int slot; };
constexpr FrameName kV2Frames[] = {{"TT2", kTitle}, {"TP1", kArtist}, {"TAL", kAlbum},
                                   {"TRK", kTrack}, {"TYE", kYear},   {"TCO", kGenre},
                                   {"COM", kComment}};
constexpr FrameName kV3Frames[] = {{"TIT2", kTitle}, {"TPE1", kArtist}, {"TALB", kAlbum},
                                   {"TRCK", kTrack}, {"TYER", kYear},   {"TDRC", kYearTdrc},
                                   {"TCON", kGenre}, {"COMM", kComment}};

int SlotOf(const uint8_t* id, uint8_t major) {
  // One iTunes version wrote ID3v2.3 tags with the three-letter ids of
  // ID3v2.2 padded with a zero byte ("TT2\0").
  const bool v22Id = major == 2 || id[3] == 0;
  if (v22Id) {
    for (const FrameName& f : kV2Frames)
      if (std::memcmp(id, f.id, 3) == 0) return f.slot;
  } else {
    for (const FrameName& f : kV3Frames)
      if (std::memcmp(id, f.id, 4) == 0) return f.slot;
  }
  return -1;
}

bool IsIdChar(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

uint32_t BigEndian(const uint8_t* p, size_t n) {
  uint32_t v = 0;
  for (size_t i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}
uint32_t Syncsafe(const uint8_t* p) {
  return uint32_t{p[0] & 0x7Fu} << 21 | uint32_t{p[1] & 0x7Fu} << 14 | uint32_t{p[2] & 0x7Fu} << 7 |
         uint32_t{p[3] & 0x7Fu};
}

// Undoes unsynchronisation in place (each FF 00 becomes FF); returns the new size.
size_t Resynchronise(uint8_t* p, size_t n) {
  size_t w = 0;
  for (size_t r = 0; r < n; ++r) {
    p[w++] = p[r];
    if (p[r] == 0xFF && r + 1 < n && p[r + 1] == 0x00) ++r;
  }
  return w;
}

// Code points 0 to 32 at either end of a value are not shown.
void TrimDisplay(std::string& s) {
  size_t b = 0, e = s.size();
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= 32) --e;
  while (b < e && static_cast<uint8_t>(s[b]) <= 32) ++b;
  if (b > 0 || e < s.size()) s = s.substr(b, e - b);
}

std::string DecodeValue(uint8_t encoding, const uint8_t* p, size_t n) {
  switch (encoding) {
  case 0: return tagtext::SingleByte(p, n); // Latin-1, or UTF-8 some writers put there
  case 1:
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) return tagtext::DecodeUtf16(p + 2, n - 2, false);
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) return tagtext::DecodeUtf16(p + 2, n - 2, true);
    return tagtext::DecodeUtf16(p, n, false); // no mark: little-endian, as writers make it
  case 2: return tagtext::DecodeUtf16(p, n, true);
  default: return tagtext::SingleByte(p, n); // 3: UTF-8 (invalid bytes read as Latin-1)
  }
}

// Calls f with each value of a text frame (behind its encoding byte), trimmed;
// empty values are passed over. Only the first value unless allValues.
template <class F> void ForEachValue(const uint8_t* data, size_t size, bool allValues, F&& f) {
  if (size == 0) return;
  const uint8_t encoding = data[0];
  if (encoding > 3) return; // not a text this reader knows
  const bool wide = encoding == 1 || encoding == 2;
  const uint8_t* p = data + 1;
  const size_t n = size - 1;
  size_t start = 0;
  while (start < n) {
    size_t end = start;
    if (wide) {
      while (end + 1 < n && (p[end] != 0 || p[end + 1] != 0)) end += 2;
      if (end + 1 >= n) end = n;
    } else {
      while (end < n && p[end] != 0) ++end;
    }
    std::string v = DecodeValue(encoding, p + start, end - start);
    TrimDisplay(v);
    if (!v.empty()) f(std::move(v));
    if (!allValues) return;
    start = end + (wide ? 2 : 1);
  }
}

// Where a text begins behind a comment's encoding byte, language and
// description.
size_t CommentTextStart(const uint8_t* data, size_t size) {
  constexpr size_t kLanguage = 3;
  size_t at = 1 + kLanguage;
  if (size <= at) return size;
  const bool wide = data[0] == 1 || data[0] == 2;
  if (wide) {
    while (at + 1 < size && (data[at] != 0 || data[at + 1] != 0)) at += 2;
    return at + 1 < size ? at + 2 : size;
  }
  while (at < size && data[at] != 0) ++at;
  return at < size ? at + 1 : size;
}

void Append(std::string& joined, const std::string& value) {
  if (!joined.empty()) joined += " / ";
  joined += value;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A genre number, "RX" or "CR" as its name; other text as it is.
std::string NamedGenre(const std::string& ref) {
  if (AllDigits(ref)) {
    size_t n = 0;
    for (char c : ref) {
      n = n * 10 + static_cast<size_t>(c - '0');
      if (n >= MusicGenre.size()) return ref;
    }
    return MusicGenre[n];
  }
  if (ref == "RX") return "Remix";
  if (ref == "CR") return "Cover";
  return ref;
}

void AppendGenres(std::string& joined, const std::string& value) {
  if (AllDigits(value) || value == "RX" || value == "CR") {
    Append(joined, NamedGenre(value));
    return;
  }
  // Leading references "(17)(RX)", then a refinement text; "((" escapes "(".
  std::string names;
  size_t at = 0;
  while (at < value.size() && value[at] == '(') {
    const size_t close = value.find(')', at + 1);
    if (close == std::string::npos) break;
    const std::string ref = value.substr(at + 1, close - at - 1);
    if (!AllDigits(ref) && ref != "RX" && ref != "CR") break;
    const std::string name = NamedGenre(ref);
    Append(names, name);
    at = close + 1;
  }
  std::string rest = value.substr(at);
  if (rest.compare(0, 2, "((") == 0) rest.erase(0, 1);
  if (!rest.empty() && names.find(rest) == std::string::npos) Append(names, rest);
  if (!names.empty()) Append(joined, names);
}

struct Walker {
  tagfile::Source& src;
  uint8_t major;
  bool tagUnsynchronised; // ID3v2.4: every frame's data
  uint64_t end;           // the tag's end, within the file
  std::array<std::string, kSlotCount>& slots;

  size_t FrameHeaderSize() const { return major == 2 ? 6 : 10; }

  // Whether a frame, the padding or the tag's end begins at pos.
  bool FrameOrEndAt(uint64_t pos) const {
    if (pos == end) return true;
    uint8_t id[4];
    if (pos > end || end - pos < sizeof id || !src.ReadExact(static_cast<int64_t>(pos), id, sizeof id))
      return false;
    if (id[0] == 0) return true;
    for (uint8_t c : id)
      if (!IsIdChar(c)) return false;
    return true;
  }

  // Size of the frame whose header is fh; ID3v2.4 sizes are syncsafe, but
  // some writers put plain numbers there: the reading that lands on the next
  // frame wins.
  uint64_t FrameSize(const uint8_t* fh, uint64_t dataStart) const {
    if (major == 2) return BigEndian(fh + 3, 3);
    const uint32_t plain = BigEndian(fh + 4, 4);
    if (major == 3) return plain;
    const uint32_t safe = Syncsafe(fh + 4);
    if ((plain & 0x80808080u) != 0) return plain;
    if (safe != plain && !FrameOrEndAt(dataStart + safe) && FrameOrEndAt(dataStart + plain))
      return plain;
    return safe;
  }

  void Take(int slot, const uint8_t* fh, uint64_t dataStart, uint64_t size) {
    size_t skip = 0; // group byte, data length in front of the data
    bool unsynchronised = false;
    if (major == 3) {
      if (fh[9] & (kV23Compressed | kV23Encrypted)) return;
      if (fh[9] & kV23Grouped) skip += kGroupSize;
    } else if (major == 4) {
      if (fh[9] & (kV24Compressed | kV24Encrypted)) return;
      if (fh[9] & kV24Grouped) skip += kGroupSize;
      if (fh[9] & kV24DataLength) skip += kDataLengthSize;
      unsynchronised = tagUnsynchronised || (fh[9] & kV24Unsynchronised);
    }
    if (size <= skip) {
      slots[static_cast<size_t>(slot)].clear();
      return;
    }
    uint8_t buf[kMaxFrameData];
    size_t n = size - skip < kMaxFrameData ? static_cast<size_t>(size - skip) : kMaxFrameData;
    if (!src.ReadExact(static_cast<int64_t>(dataStart + skip), buf, n)) return;
    if (unsynchronised) n = Resynchronise(buf, n);

    std::string& out = slots[static_cast<size_t>(slot)];
    out.clear();
    if (slot == kComment) {
      const size_t at = CommentTextStart(buf, n);
      if (at >= n) return;
      buf[at - 1] = buf[0]; // the encoding byte in front of the text
      ForEachValue(buf + at - 1, n - at + 1, major == 4, [&](std::string v) { Append(out, v); });
    } else if (slot == kGenre) {
      ForEachValue(buf, n, major == 4, [&](std::string v) { AppendGenres(out, v); });
    } else {
      ForEachValue(buf, n, major == 4 && slot != kYearTdrc,
                   [&](std::string v) { Append(out, v); });
    }
  }

  void Walk(uint64_t pos) {
    const size_t headerSize = FrameHeaderSize();
    while (pos < end && end - pos >= headerSize) {
      uint8_t fh[10];
      if (!src.ReadExact(static_cast<int64_t>(pos), fh, headerSize)) return;
      // Padding (no id starts with a zero byte). Any other id, one with
      // small letters too, is a frame to step over by its size when it is
      // none of those read here.
      if (fh[0] == 0) return;
      const uint64_t dataStart = pos + headerSize;
      uint64_t size = FrameSize(fh, dataStart);
      if (size > end - dataStart) size = end - dataStart; // a cut tag: as far as it goes
      const int slot = SlotOf(fh, major);
      if (slot >= 0) Take(slot, fh, dataStart, size);
      pos = dataStart + size;
    }
  }
};

// The year of an ID3v2.4 recording time "2004-05-01T12:00".
std::string YearOfTimestamp(const std::string& t) {
  constexpr size_t kYearDigits = 4;
  if (t.size() > kYearDigits && AllDigits(t.substr(0, kYearDigits))) return t.substr(0, kYearDigits);
  return t;
}

} // namespace

std::string FrameText(const uint8_t* data, size_t size, bool joinValues) {
  std::string out;
  ForEachValue(data, size, joinValues, [&](std::string v) { Append(out, v); });
  return out;
}

std::string GenreName(const std::string& text) {
  std::string out;
  AppendGenres(out, text);
  return out;
}

bool Read(tagfile::Source& src, Texts& out) {
  out = Texts();
  uint8_t window[kWindowSize];
  src.LoadWindow(0, window, kWindowSize);
  uint8_t header[kHeaderSize];
  if (!src.ReadExact(0, header, kHeaderSize)) return false;
  if (header[0] != 'I' || header[1] != 'D' || header[2] != '3') return true;
  out.hasTag = true;
  const uint8_t major = header[3];
  const uint8_t flags = header[5];
  if (major < 2 || major > 4) return true;
  if (major == 2 && (flags & kTagExtendedHeader)) return true; // a compressed ID3v2.2 tag
  out.majorVersion = major;

  const uint64_t declaredEnd = uint64_t{kHeaderSize} + Syncsafe(header + 6);
  uint64_t end = declaredEnd < static_cast<uint64_t>(src.Size()) ? declaredEnd
                                                                  : static_cast<uint64_t>(src.Size());
  // ID3v2.2 and 2.3 unsynchronise the whole tag, frame headers included:
  // undo it on a copy and read the frames from there.
  std::vector<uint8_t> whole;
  tagfile::Source wholeSource = tagfile::Source::FromMemory(nullptr, 0);
  tagfile::Source* frames = &src;
  if (major < 4 && (flags & kTagUnsynchronised)) {
    whole.resize(static_cast<size_t>(end < kMaxUnsynchronisedTag ? end : kMaxUnsynchronisedTag));
    if (!src.ReadExact(0, whole.data(), whole.size())) return true;
    const size_t n = kHeaderSize + Resynchronise(whole.data() + kHeaderSize, whole.size() - kHeaderSize);
    wholeSource = tagfile::Source::FromMemory(whole.data(), n);
    frames = &wholeSource;
    end = n;
  }

  uint64_t pos = kHeaderSize;
  if (major > 2 && (flags & kTagExtendedHeader)) {
    uint8_t ext[4];
    if (end - pos < sizeof ext || !frames->ReadExact(static_cast<int64_t>(pos), ext, sizeof ext))
      return true;
    // Some writers set the flag without writing the header: a frame follows.
    const bool frameInstead = IsIdChar(ext[0]) && IsIdChar(ext[1]) && IsIdChar(ext[2]) && IsIdChar(ext[3]);
    // ID3v2.3 counts the bytes behind the size; ID3v2.4 the whole header.
    if (!frameInstead)
      pos += major == 3 ? sizeof ext + uint64_t{BigEndian(ext, 4)} : uint64_t{Syncsafe(ext)};
  }

  std::array<std::string, kSlotCount> slots;
  Walker walker{*frames, major, major == 4 && (flags & kTagUnsynchronised) != 0, end, slots};
  walker.Walk(pos);

  for (size_t i = 0; i < kFieldCount; ++i) out.text[i] = std::move(slots[i]);
  if (!slots[kYearTdrc].empty()) out.text[kYear] = YearOfTimestamp(slots[kYearTdrc]);
  return true;
}

} // namespace id3v2frames

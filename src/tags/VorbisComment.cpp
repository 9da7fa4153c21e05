#include "tags/VorbisComment.h"

#include "tags/LittleEndian.h"

#include <array>
#include <string_view>

namespace vorbiscomment {
namespace {

// Far more entries than any real file has; a block that claims more is cut
// there, so a forged count cannot keep the reader looping.
constexpr uint32_t kMaxEntries = 100000;
constexpr char kValueSeparator[] = " / ";

// Field names are ASCII and compared without regard to letter case.
bool NameIs(std::string_view name, std::string_view upper) {
  if (name.size() != upper.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upper[i]) return false;
  }
  return true;
}

std::string* FieldFor(std::string_view name, Fields& f) {
  const std::array<std::pair<std::string_view, std::string*>, 8> kNames = {{
      {"TITLE", &f.title},
      {"ARTIST", &f.artist},
      {"ALBUM", &f.album},
      {"TRACKNUMBER", &f.track},
      {"DATE", &f.date},
      {"GENRE", &f.genre},
      {"COMMENT", &f.comment},
      {"DESCRIPTION", &f.comment},
  }};
  for (const auto& [upper, field] : kNames)
    if (NameIs(name, upper)) return field;
  return nullptr;
}

void AddValue(std::string& field, std::string_view value) {
  if (value.empty()) return;
  if (!field.empty()) field += kValueSeparator;
  field.append(value);
}

} // namespace

bool Parse(const uint8_t* data, size_t size, Fields& out) {
  if (size < 4) return false;
  const uint32_t vendorLength = littleendian::U32(data);
  size_t at = 4;
  if (size - at < vendorLength) return false;
  at += vendorLength;
  if (size - at < 4) { // a block cut after its vendor text
    out.cut = true;
    return true;
  }
  uint32_t count = littleendian::U32(data + at);
  at += 4;
  if (count > kMaxEntries) count = kMaxEntries;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t length = 0;
    if (size - at < 4 || size - at - 4 < (length = littleendian::U32(data + at))) {
      out.cut = true;
      break;
    }
    at += 4;
    const std::string_view entry(reinterpret_cast<const char*>(data + at), length);
    at += length;
    const size_t eq = entry.find('=');
    if (eq == std::string_view::npos) continue;
    if (std::string* field = FieldFor(entry.substr(0, eq), out)) AddValue(*field, entry.substr(eq + 1));
  }
  return true;
}

std::string YearOf(const std::string& date) {
  constexpr size_t kYearDigits = 4;
  if (date.size() < kYearDigits) return date;
  for (size_t i = 0; i < kYearDigits; ++i)
    if (date[i] < '0' || date[i] > '9') return date;
  return date.substr(0, kYearDigits);
}

std::string TrackOf(const std::string& track) {
  size_t i = 0;
  while (i < track.size() && track[i] == '0') ++i;
  size_t end = i;
  while (end < track.size() && track[end] >= '0' && track[end] <= '9') ++end;
  return end == i ? std::string("0") : track.substr(i, end - i);
}

} // namespace vorbiscomment

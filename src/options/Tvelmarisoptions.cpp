#include "options/Tvelmarisoptions.h"

#include "platform/IniProfile.h"

#include <array>
#include <stdexcept>
#include <type_traits>
#include <variant>

namespace {

// Texts are read through a buffer of this many characters (one is the end mark).
constexpr std::size_t kTextBuffer = 2048;

// "Integer, low 8 bits kept": stored as int8_t.
using Field = std::variant<std::string TVelmarisOptions::*, int32_t TVelmarisOptions::*, bool TVelmarisOptions::*,
                           int8_t TVelmarisOptions::*>;

struct Row {
  const char* section;
  const char* key;
  Field field;
  int32_t def; // numbers and booleans; texts default to empty
};

// Both directions visit the keys in this order, which also fixes the layout
// of a newly created file.
const std::array<Row, 19> kRows{{
    {"Position", "Top", &TVelmarisOptions::Top, 0},
    {"Position", "Left", &TVelmarisOptions::Left, 0},
    {"Position", "Minimized", &TVelmarisOptions::Minimized, 0},
    {"LastFiles", "LastSkinFile", &TVelmarisOptions::LastSkinFile, 0},
    {"LastFiles", "LastListFile", &TVelmarisOptions::LastListFile, 0},
    {"LastFiles", "LastSoundFile", &TVelmarisOptions::LastSoundFile, 0},
    {"LastFiles", "LastSoundPos", &TVelmarisOptions::LastSoundPos, 0},
    {"Default", "MusicDir", &TVelmarisOptions::MusicDir, 0},
    {"Default", "SkinDir", &TVelmarisOptions::SkinDir, 0},
    {"Other", "PlayListIndex", &TVelmarisOptions::PlayListIndex, 0},
    {"Other", "Mode", &TVelmarisOptions::Mode, 1},
    {"Other", "ShuffleIsOn", &TVelmarisOptions::ShuffleIsOn, 0},
    {"Other", "Transparent", &TVelmarisOptions::Transparent, 0},
    {"Format", "DispNormal", &TVelmarisOptions::DispNormal, 0},
    {"Format", "DispMini", &TVelmarisOptions::DispMini, 0},
    {"Format", "DispTask", &TVelmarisOptions::DispTask, 0},
    {"Other", "PlayListMode", &TVelmarisOptions::PlayListMode, 0},
    {"Other", "MinimizeToTray", &TVelmarisOptions::MinimizeToTray, 0},
    {"Other", "QuickFind", &TVelmarisOptions::QuickFind, 1},
}};

// The tag reading's switch, kept apart from the table above.
constexpr const char* kTagsSection = "Tags";
constexpr const char* kReadAllVersionsKey = "ReadAllVersions";
// The switch for the formats beyond MP3, kept apart the same way.
constexpr const char* kFormatsSection = "Formats";
constexpr const char* kPlayAllFormatsKey = "PlayAllFormats";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

} // namespace

int32_t IniTextToInt(const std::string& text, int32_t def) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool hex = false;
  if (n >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    hex = true;
    i = 2;
  } else if (n >= 1 && text[0] == '$') {
    hex = true;
    i = 1;
  }
  if (hex) {
    if (i >= n) return def;
    uint64_t v = 0;
    for (; i < n; ++i) {
      int d = HexDigit(text[i]);
      if (d < 0) return def;
      v = v * 16 + static_cast<uint64_t>(d);
      if (v > 0xFFFFFFFFull) return def;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
  }
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= n) return def;
  int64_t v = 0;
  const int64_t limit = negative ? 2147483648LL : 2147483647LL;
  for (; i < n; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return def;
    v = v * 10 + (c - '0');
    if (v > limit) return def;
  }
  return static_cast<int32_t>(negative ? -v : v);
}

void ReadOptions(TVelmarisOptions& options, const std::string& path) {
  IniProfile profile;
  profile.Load(path); // an unreadable file reads as a missing one: defaults
  for (const Row& row : kRows) {
    std::string value = profile.ReadString(row.section, row.key, "", kTextBuffer);
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(options.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            options.*member = std::move(value);
          } else if constexpr (std::is_same_v<T, bool>) {
            options.*member = IniTextToInt(value, row.def) != 0;
          } else if constexpr (std::is_same_v<T, int8_t>) {
            uint32_t bits = static_cast<uint32_t>(IniTextToInt(value, row.def)) & 0xFFu;
            options.*member = static_cast<int8_t>(bits >= 0x80 ? static_cast<int>(bits) - 256 : static_cast<int>(bits));
          } else {
            options.*member = IniTextToInt(value, row.def);
          }
        },
        row.field);
  }
  options.ReadAllTagVersions =
      IniTextToInt(profile.ReadString(kTagsSection, kReadAllVersionsKey, "", kTextBuffer), 0) != 0;
  options.PlayAllFormats =
      IniTextToInt(profile.ReadString(kFormatsSection, kPlayAllFormatsKey, "", kTextBuffer), 0) != 0;
}

namespace {

// Writes an opt-in switch: only once it is on or already in the file, so a
// file that never had it keeps its layout. False when the write failed.
bool WriteOptInSwitch(IniProfile& profile, const char* section, const char* key, bool on) {
  const std::string absent(1, '\x01');
  const bool present = profile.ReadString(section, key, absent, kTextBuffer) != absent;
  return !(on || present) || profile.WriteString(section, key, on ? "1" : "0");
}

} // namespace

bool OptionsFileReadable(const std::string& path) {
  IniProfile profile;
  return profile.Load(path);
}

void WriteOptions(const TVelmarisOptions& options, const std::string& path) {
  const std::runtime_error refused("Unable to write to " + path);
  // The file is read once, every key set in memory and the result written once
  // (atomically), so a refused write leaves the old file as it was.
  IniProfile profile;
  if (!profile.Load(path)) throw refused;
  for (const Row& row : kRows) {
    std::string value = std::visit(
        [&](auto member) -> std::string {
          using T = std::remove_cvref_t<decltype(options.*member)>;
          if constexpr (std::is_same_v<T, std::string>) {
            return options.*member;
          } else if constexpr (std::is_same_v<T, bool>) {
            return options.*member ? "1" : "0";
          } else {
            return std::to_string(static_cast<int32_t>(options.*member));
          }
        },
        row.field);
    if (!profile.WriteString(row.section, row.key, value)) throw refused;
  }
  if (!WriteOptInSwitch(profile, kTagsSection, kReadAllVersionsKey, options.ReadAllTagVersions) ||
      !WriteOptInSwitch(profile, kFormatsSection, kPlayAllFormatsKey, options.PlayAllFormats))
    throw refused;
  if (!profile.Flush()) throw refused;
}

#include "playlist/PathRules.h"

namespace PathRules {

bool IsMp3File(const std::string& ext) {
  static constexpr char kMp3[] = ".mp3";
  if (ext.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    char c = ext[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kMp3[i]) return false;
  }
  return true;
}

bool IsSongFile(const std::string& ext, bool allFormats) {
  if (IsMp3File(ext)) return true;
  if (!allFormats) return false;
  static constexpr const char* kOtherFormats[] = {".flac", ".ogg", ".oga", ".opus", ".wav"};
  std::string lower = ext;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* other : kOtherFormats)
    if (lower == other) return true;
  return false;
}

std::string ExtractFileExt(const std::string& path) {
  const size_t pos = path.find_last_of("./");
  if (pos == std::string::npos || path[pos] != '.') return {};
  return path.substr(pos);
}

std::string ExtractFileName(const std::string& path) {
  const size_t pos = path.rfind('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const size_t pos = path.rfind('/');
  return pos == std::string::npos ? std::string() : path.substr(0, pos + 1);
}

} // namespace PathRules

#include "skins/SkinList.h"

#include "files/SafeRead.h"
#include "playlist/Fileoptions.h"

#include <stdexcept>

namespace SkinList {

namespace {

bool Blank(unsigned char c) { return c <= ' '; }

// Blanks and control characters at both ends do not make a name.
bool IsBlankName(const std::string& s) {
  for (unsigned char c : s)
    if (!Blank(c)) return false;
  return true;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

std::vector<std::string> SkinListItems(const std::string& folder) {
  const std::string listing = Fileoptions::ListFolderFiles(folder + "/", "*.vskin");
  std::vector<std::string> items;
  size_t start = 0;
  while (start < listing.size()) {
    size_t end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    std::string name = listing.substr(start, end - start);
    if (!IsBlankName(name)) items.push_back(std::move(name));
    start = end + 1;
  }
  return items;
}

std::string SkinBitmapPath(const std::string& scriptFolder, const std::string& value) {
  if (value.size() >= 2 && IsDriveLetter(value[0]) && value[1] == ':') {
    const size_t cut = value.find_last_of("\\/:");
    return scriptFolder + value.substr(cut + 1);
  }
  std::string path = value;
  for (char& c : path)
    if (c == '\\') c = '/';
  if (!value.empty() && value[0] == '/') return path;
  return scriptFolder + path;
}

std::string ReadSkinBitmapBytes(const std::string& path) {
  Files::ReadResult r = Files::ReadRegularFile(path, kMaxSkinBitmapBytes);
  const bool cannotOpen = r.status == Files::ReadStatus::Missing || r.status == Files::ReadStatus::Failed ||
                          (r.status == Files::ReadStatus::NotRegular && r.isFolder);
  if (cannotOpen) throw std::runtime_error("Cannot open file \"" + path + "\". " + r.error);
  if (!r.Ok()) throw std::runtime_error("Bitmap image is not valid");
  return std::move(r.data);
}

std::optional<std::string> SkinToApply(const std::string& lastSkinFile, const std::string& skinFolder,
                                       const std::string& chosenName) {
  const size_t slash = lastSkinFile.rfind('/');
  const std::string applied = slash == std::string::npos ? lastSkinFile : lastSkinFile.substr(slash + 1);
  if (applied == chosenName) return std::nullopt;
  return skinFolder + "/" + chosenName;
}

} // namespace SkinList

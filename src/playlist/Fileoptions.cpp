#include "playlist/Fileoptions.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Fileoptions {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// "*" any run of characters, "?" any one character, other characters equal
// without regard to the case of A-Z. Linear-time wildcard match with
// backtracking to the last "*" only.
bool WildMatch(const char* n, const char* nEnd, const char* m, const char* mEnd) {
  const char* starM = nullptr;
  const char* starN = nullptr;
  while (n < nEnd) {
    if (m < mEnd && *m == '*') {
      starM = ++m;
      starN = n;
    } else if (m < mEnd && (*m == '?' || Lower(*m) == Lower(*n))) {
      ++m;
      ++n;
    } else if (starM) {
      m = starM;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mEnd && *m == '*') ++m;
  return m == mEnd;
}

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

} // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  const char* n = name.data();
  const char* m = mask.data();
  if (WildMatch(n, n + name.size(), m, m + mask.size())) return true;
  // As in the platform's file masks, a trailing ".*" may also match the end
  // of a name that has no extension.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 &&
      name.find('.') == std::string::npos) {
    return WildMatch(n, n + name.size(), m, m + mask.size() - 2);
  }
  return false;
}

std::string ListFolderFiles(const std::string& folder, const std::string& mask) {
  int lineBreakNames = 0;
  return ListFolderFiles(folder, mask, lineBreakNames);
}

std::string ListFolderFiles(const std::string& folder, const std::string& mask, int& lineBreakNames) {
  lineBreakNames = 0;
  const std::string dirPath = folder + "/";
  std::unique_ptr<DIR, DirCloser> dir(::opendir(dirPath.c_str()));
  if (!dir) return {};
  const int dirFd = ::dirfd(dir.get());

  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    // The answer is one name per line, so a name holding a line end cannot
    // be told apart from two names; such files are not listed.
    if (name.find_first_of("\r\n") != std::string::npos) {
      if (MatchesMask(name, mask)) ++lineBreakNames;
      continue;
    }
    if (!MatchesMask(name, mask)) continue;
    struct stat st {};
    if (::fstatat(dirFd, entry->d_name, &st, 0) != 0) continue; // follows symlinks
    if (!S_ISREG(st.st_mode)) continue;                          // folders and devices are not listed
    uint32_t attributes = faArchive;
    if (name[0] == '.') attributes |= faHidden;
    if (::faccessat(dirFd, entry->d_name, W_OK, 0) != 0) attributes |= faReadOnly;
    if ((attributes & ~faListed) != 0) continue;
    names.push_back(name);
  }

  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
      // Compared in capitals, as an NTFS folder orders its names: "_" sorts
      // after the letters.
      const char ca = Upper(a[i]), cb = Upper(b[i]);
      if (ca != cb) return static_cast<unsigned char>(ca) < static_cast<unsigned char>(cb);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b; // names equal but for case: a fixed order all the same
  });

  // The names joined by LF. Only the separator is added: a name that starts
  // or ends with a blank keeps it, so every line names the real file.
  std::string text;
  size_t total = 0;
  for (const std::string& name : names) total += name.size() + 1;
  text.reserve(total);
  for (const std::string& name : names) {
    if (!text.empty()) text += '\n';
    text += name;
  }
  return text;
}

std::string FileNameNoExt(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

} // namespace Fileoptions

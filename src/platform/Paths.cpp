#include "platform/Paths.h"

#include "files/AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Paths {

std::string ProgramPath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  return std::string(buf, static_cast<size_t>(n));
}

std::string ProgramDir() {
  const std::string p = ProgramPath();
  const size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string("./") : p.substr(0, slash + 1);
}

bool IsWritableDir(const std::string& dir) { return ::access(dir.c_str(), W_OK | X_OK) == 0; }

static std::string Home() {
  const char* h = std::getenv("HOME");
  return h && *h ? h : "/tmp";
}

static std::string XdgVar(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  if (v && *v == '/') return v;
  return Home() + fallback;
}

std::string XdgConfigHome() { return XdgVar("XDG_CONFIG_HOME", "/.config"); }
std::string XdgDataHome() { return XdgVar("XDG_DATA_HOME", "/.local/share"); }
std::string XdgStateHome() { return XdgVar("XDG_STATE_HOME", "/.local/state"); }

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs(const std::string& dir) { return Files::MakeFolders(dir, 0755); }

} // namespace Paths

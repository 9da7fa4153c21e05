#include "options/XdgSync.h"

#include "options/FileExtension.h"
#include "platform/RegistryStore.h"
#include "platform/Paths.h"
#include "files/SafeRead.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

const char kMarker[] = "X-Velmaris-Generated=true";

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::string HomeBased(const char* var, const char* fallback) {
  const char* value = std::getenv(var);
  // Relative values are invalid and are ignored, as the base-directory rules say.
  if (value && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  if (!home || !home[0]) return {};
  return std::string(home) + fallback;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (!dir.empty() && dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

// Larger than any desktop file, MIME package or mimeapps.list we expect.
constexpr size_t kMaxDesktopFileBytes = 1024 * 1024;

enum class Found { File, Missing, Unusable };

// A whole desktop file into out. Unusable (with error set) when something
// other than a regular file is there, or it is too large or unreadable.
Found ReadDesktopFile(const std::string& path, std::string& out, std::string& error) {
  Files::ReadResult r = Files::ReadRegularFile(path, kMaxDesktopFileBytes);
  if (r.status == Files::ReadStatus::Missing) return Found::Missing;
  if (!r.Ok()) {
    error = "Cannot read " + path + ": " + r.error;
    return Found::Unusable;
  }
  out = std::move(r.data);
  return Found::File;
}

// One argument of an Exec line, quoted, then escaped for a desktop file value.
std::string ExecArgument(const std::string& arg) {
  std::string quoted = "\"";
  for (char c : arg) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  value.reserve(quoted.size() + 8);
  for (char c : quoted) {
    switch (c) {
    case '\\': value += "\\\\"; break;
    case '\n': value += "\\n"; break;
    case '\t': value += "\\t"; break;
    case '\r': value += "\\r"; break;
    default: value += c;
    }
  }
  return value;
}

std::vector<std::string> SplitList(std::string_view value) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(';', start);
    if (end == std::string_view::npos) end = value.size();
    std::string_view item = Trim(value.substr(start, end - start));
    if (!item.empty()) items.emplace_back(item);
    start = end + 1;
  }
  return items;
}

std::string FindInPath(const char* tool) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string_view::npos) end = dirs.size();
    std::string dir(dirs.substr(start, end - start));
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue; // never run from the current folder
    std::string candidate = Join(dir, tool);
    struct stat st {};
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

} // namespace

XdgPaths XdgPaths::FromEnvironment() {
  return XdgPaths{HomeBased("XDG_DATA_HOME", "/.local/share"), HomeBased("XDG_CONFIG_HOME", "/.config")};
}

const std::vector<XdgFileType>& XdgFileTypes() {
  static const std::vector<XdgFileType> types = {
      {".mp3", "audio/mpeg", nullptr, nullptr, nullptr},
      {".vpls", "application/x-velmaris-playlist", "Velmaris playlist", "*.vpls", "text/plain"},
      {".b4s", "application/x-winamp-playlist", "Winamp playlist", "*.b4s", "application/xml"},
      {".m3u", "audio/x-mpegurl", nullptr, nullptr, nullptr},
      {".pls", "audio/x-scpls", nullptr, nullptr, nullptr},
  };
  return types;
}

std::vector<std::string> AssociatedExtensions(TRegExtension& registry, const std::string& programPath) {
  const std::string expected = Lower(AssociationCommandLine(programPath));
  std::vector<std::string> result;
  for (const XdgFileType& type : XdgFileTypes()) {
    auto info = registry.GetExtInfo(type.Ext);
    if (info && Lower(info->Path()) == expected) result.emplace_back(type.Ext);
  }
  return result;
}

XdgSync::XdgSync(std::string programPath, XdgPaths paths) : programPath_(std::move(programPath)), paths_(std::move(paths)) {}

bool XdgSync::Sync(TRegExtension& registry) { return Apply(AssociatedExtensions(registry, programPath_)); }

std::string XdgSync::DesktopEntry(const std::vector<std::string>& mimeTypes) const {
  std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Version=1.0\n"
      "Name=Velmaris\n"
      "GenericName=Audio Player\n"
      "Comment=Play MP3 files and playlists\n";
  // The program takes one file from its command line, so %f.
  text += "Exec=" + ExecArgument(programPath_) + " %f\n";
  text +=
      "Icon=velmaris\n"
      "Terminal=false\n"
      "Categories=AudioVideo;Audio;Player;\n"
      "StartupWMClass=Velmaris_Form\n";
  text += "MimeType=";
  for (const std::string& type : mimeTypes) text += type + ";";
  text += "\n";
  text += kMarker;
  text += "\n";
  return text;
}

std::string XdgSync::MimePackage(const std::vector<const XdgFileType*>& types) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const XdgFileType* type : types) {
    text += std::string("  <mime-type type=\"") + type->MimeType + "\">\n";
    text += std::string("    <comment>") + type->Comment + "</comment>\n";
    text += std::string("    <sub-class-of type=\"") + type->SubClassOf + "\"/>\n";
    text += std::string("    <glob pattern=\"") + type->Glob + "\"/>\n";
    text += "  </mime-type>\n";
  }
  text += "</mime-info>\n";
  return text;
}

std::string XdgSync::UpdateMimeApps(const std::string& text, const std::vector<std::string>& wanted,
                                    const std::vector<std::string>& unwanted) {
  const std::string ours = kDesktopFileName;
  std::vector<std::string> lines;
  {
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.emplace_back(text, start, end - start);
      start = end + 1;
    }
  }
  auto listed = [](const std::vector<std::string>& list, const std::string& key) {
    for (const std::string& item : list) {
      if (item == key) return true;
    }
    return false;
  };

  std::vector<bool> keep(lines.size(), true);
  std::vector<bool> seen(wanted.size(), false);
  bool inDefaults = false, inFirstDefaults = false, hadDefaults = false;
  size_t insertAt = lines.size(); // after the last entry of the first [Default Applications]
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view t = Trim(lines[i]);
    if (!t.empty() && t.front() == '[' && t.back() == ']') {
      inDefaults = t == "[Default Applications]";
      inFirstDefaults = inDefaults && !hadDefaults;
      if (inFirstDefaults) insertAt = i + 1;
      hadDefaults = hadDefaults || inDefaults;
      continue;
    }
    if (!inDefaults || t.empty() || t.front() == '#') continue;
    if (inFirstDefaults) insertAt = i + 1;
    size_t eq = lines[i].find('=');
    if (eq == std::string::npos) continue;
    std::string key(Trim(std::string_view(lines[i]).substr(0, eq)));
    std::string lowKey = Lower(key);
    std::vector<std::string> apps = SplitList(std::string_view(lines[i]).substr(eq + 1));
    size_t oursCount = 0;
    for (const std::string& app : apps) oursCount += app == ours;
    const bool oursFirst = !apps.empty() && apps.front() == ours;
    std::vector<std::string> others;
    for (std::string& app : apps) {
      if (app != ours) others.push_back(std::move(app));
    }
    bool isWanted = false;
    for (size_t w = 0; w < wanted.size(); ++w) {
      if (wanted[w] == lowKey) {
        seen[w] = true;
        isWanted = true;
      }
    }
    std::string value;
    if (isWanted) {
      if (oursCount == 1 && oursFirst) continue;
      value = ours + ";";
    } else if (listed(unwanted, lowKey)) {
      if (oursCount == 0) continue;
      if (others.empty()) {
        keep[i] = false;
        continue;
      }
    } else {
      continue;
    }
    for (const std::string& app : others) value += app + ";";
    lines[i] = key + "=" + value;
  }

  std::vector<std::string> added;
  for (size_t w = 0; w < wanted.size(); ++w) {
    if (!seen[w]) added.push_back(wanted[w] + "=" + ours + ";");
  }
  if (!hadDefaults && !added.empty()) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.emplace_back("[Default Applications]");
    keep.resize(lines.size(), true);
    insertAt = lines.size();
  }

  std::string out;
  out.reserve(text.size() + 64 * added.size());
  for (size_t i = 0; i <= lines.size(); ++i) {
    if (i == insertAt) {
      for (const std::string& line : added) out += line + "\n";
    }
    if (i < lines.size() && keep[i]) out += lines[i] + "\n";
  }
  return out;
}

bool XdgSync::WriteOrRemove(const std::string& path, const std::string* contents, bool& changed) {
  std::string old;
  const Found found = ReadDesktopFile(path, old, error_);
  if (found == Found::Unusable) return false; // never replaced nor removed
  if (contents) {
    if (found == Found::File && old == *contents) return true;
    std::string err;
    if (!WriteFileAtomically(path, *contents, &err)) {
      error_ = err;
      return false;
    }
    changed = true;
    return true;
  }
  if (found == Found::Missing) return true;
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    error_ = "Cannot remove " + path;
    return false;
  }
  changed = true;
  return true;
}

bool XdgSync::Apply(const std::vector<std::string>& extensions) {
  error_.clear();
  toolsRun_.clear();
  if (paths_.DataHome.empty() || paths_.ConfigHome.empty()) {
    error_ = "No home folder for the desktop files";
    return false;
  }
  std::vector<std::string> wanted, unwanted;
  std::vector<const XdgFileType*> ownTypes;
  for (const XdgFileType& type : XdgFileTypes()) {
    bool associated = false;
    for (const std::string& ext : extensions) associated = associated || Lower(ext) == type.Ext;
    (associated ? wanted : unwanted).emplace_back(type.MimeType);
    if (associated && type.Comment) ownTypes.push_back(&type);
  }

  bool ok = true;
  const std::string applications = Join(paths_.DataHome, "applications");
  const std::string desktopPath = Join(applications, kDesktopFileName);
  bool desktopChanged = false;
  if (!wanted.empty()) {
    const std::string entry = DesktopEntry(wanted);
    ok = WriteOrRemove(desktopPath, &entry, desktopChanged) && ok;
  } else {
    // Remove the entry only when this program wrote it.
    std::string old, ignored;
    if (ReadDesktopFile(desktopPath, old, ignored) == Found::File && old.find(kMarker) != std::string::npos) {
      ok = WriteOrRemove(desktopPath, nullptr, desktopChanged) && ok;
    }
  }

  const std::string mimeDir = Join(paths_.DataHome, "mime");
  const std::string packagePath = Join(Join(mimeDir, "packages"), "velmaris.xml");
  bool mimeChanged = false;
  if (!ownTypes.empty()) {
    const std::string package = MimePackage(ownTypes);
    ok = WriteOrRemove(packagePath, &package, mimeChanged) && ok;
  } else {
    ok = WriteOrRemove(packagePath, nullptr, mimeChanged) && ok;
  }

  const std::string mimeApps = Join(paths_.ConfigHome, "mimeapps.list");
  std::string oldApps;
  const Found apps = ReadDesktopFile(mimeApps, oldApps, error_);
  const bool appsExist = apps == Found::File;
  if (apps == Found::Unusable) {
    ok = false;
  } else {
    std::string newApps = UpdateMimeApps(oldApps, wanted, unwanted);
    if (newApps != oldApps && (appsExist || !wanted.empty())) {
      std::string err;
      if (!WriteFileAtomically(mimeApps, newApps, &err)) {
        error_ = err;
        ok = false;
      }
    }
  }

  if (desktopChanged) RunTool("update-desktop-database", applications);
  if (mimeChanged) RunTool("update-mime-database", mimeDir);
  return ok;
}

void XdgSync::RunTool(const char* tool, const std::string& folder) {
  if (!runTools_ || !Paths::DirExists(folder)) return;
  const std::string exe = FindInPath(tool);
  if (exe.empty()) return;

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string arg0 = exe, arg1 = folder;
  char* argv[] = {arg0.data(), arg1.data(), nullptr};
  pid_t pid = 0;
  int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return;
  toolsRun_.push_back(std::string(tool) + " " + folder);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(toolTimeoutMs_);
  int status = 0;
  while (true) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid || (done < 0 && errno != EINTR)) return;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ::kill(pid, SIGKILL);
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

void ConnectXdgSync(TRegExtension& registry, const std::string& programPath) {
  registry.SetAssocChangedHandler([&registry, programPath] {
    XdgSync sync(programPath);
    sync.Sync(registry);
  });
}

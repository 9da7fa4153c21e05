#include "files/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {
namespace {

std::atomic<AtomicFile::Fault> g_fault{AtomicFile::Fault::None};
std::atomic<unsigned> g_counter{0};

// The temporary files this process is writing right now: a name of ours
// with our own process id is stale only when it is not one of these.
std::mutex g_activeMutex;
std::set<std::string>& ActiveTemps() {
  static std::set<std::string> active;
  return active;
}

void SetActive(const std::string& temp, bool on) {
  std::lock_guard<std::mutex> lock(g_activeMutex);
  if (on) ActiveTemps().insert(temp);
  else ActiveTemps().erase(temp);
}

bool IsActive(const std::string& temp) {
  std::lock_guard<std::mutex> lock(g_activeMutex);
  return ActiveTemps().count(temp) != 0;
}

// Symbolic links followed at most this often (the system's own limit).
constexpr int kMaxLinkHops = 40;
// Attempts at a free temporary name before giving up.
constexpr int kMaxTempAttempts = 100;

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  if (folder == ".") return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Decimal digits at s[pos..]; pos moves past them. False when there are none
// or too many for a process id.
bool ReadNumber(const std::string& s, size_t& pos, long& value) {
  const size_t start = pos;
  value = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 10) {
    value = value * 10 + (s[pos] - '0');
    ++pos;
  }
  return pos > start && (pos == s.size() || s[pos] < '0' || s[pos] > '9');
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

bool ProcessGone(long pid) { return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }


} // namespace

bool MakeFolders(const std::string& dir, unsigned mode) {
  if (dir.empty()) return false;
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = dir.find('/', pos + 1);
    partial = dir.substr(0, pos);
    if (partial.empty()) continue;
    if (::mkdir(partial.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsOurTempName(const std::string& name, const std::string& targetName, long& pid) {
  pid = 0;
  if (targetName.empty()) return false;
  long n = 0;
  // ".<name>.<pid>.<n>.tmp": ours now (and the settings writer's before).
  const std::string hidden = "." + targetName + ".";
  if (StartsWith(name, hidden)) {
    size_t pos = hidden.size();
    if (ReadNumber(name, pos, pid) && pos < name.size() && name[pos] == '.' && ReadNumber(name, ++pos, n) &&
        name.compare(pos, std::string::npos, ".tmp") == 0)
      return true;
  }
  // "<name>.tmp.<pid>.<n>" (the registry file's writer before) and
  // "<name>.tmp<pid>-<n>" (the playlist writer's before).
  const std::string plain = targetName + ".tmp";
  if (StartsWith(name, plain)) {
    size_t pos = plain.size();
    const bool dotted = pos < name.size() && name[pos] == '.';
    if (dotted) ++pos;
    const char sep = dotted ? '.' : '-';
    if (ReadNumber(name, pos, pid) && pos < name.size() && name[pos] == sep && ReadNumber(name, ++pos, n) &&
        pos == name.size())
      return true;
  }
  pid = 0;
  return false;
}

void AtomicFile::SetFaultForTests(Fault fault) { g_fault.store(fault); }

AtomicFile::AtomicFile(std::string path, AtomicWriteOptions options)
    : path_(std::move(path)), options_(std::move(options)) {}

AtomicFile::~AtomicFile() { Abandon(); }

bool AtomicFile::Fail(const std::string& why) {
  Abandon();
  failed_ = true;
  error_ = "Cannot write " + path_ + ": " + why;
  return false;
}

bool AtomicFile::FailErrno(int err) { return Fail(std::strerror(err)); }

void AtomicFile::Abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    SetActive(temp_, false);
    temp_.clear();
  }
}

bool AtomicFile::ResolveTarget() {
  std::string current = path_;
  for (int hops = 0;; ++hops) {
    struct stat lst {};
    if (::lstat(current.c_str(), &lst) != 0) {
      if (errno != ENOENT) return FailErrno(errno);
      break; // a new file (perhaps where a link points)
    }
    if (!S_ISLNK(lst.st_mode)) break;
    if (hops >= kMaxLinkHops) return FailErrno(ELOOP);
    std::string link(static_cast<size_t>(lst.st_size > 0 ? lst.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(current.c_str(), link.data(), link.size());
    if (n < 0) return FailErrno(errno);
    link.resize(static_cast<size_t>(n));
    current = (!link.empty() && link[0] == '/') ? link : JoinFolder(FolderOf(current), link);
  }
  target_ = current;
  return true;
}

void AtomicFile::RemoveStaleTemps() const {
  const std::string folder = FolderOf(target_);
  const std::string name = NameOf(target_);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return;
  while (const dirent* e = ::readdir(dir.get())) {
    long pid = 0;
    const std::string entry = e->d_name;
    if (!IsOurTempName(entry, name, pid)) continue;
    const std::string path = JoinFolder(folder, entry);
    const bool stale = pid == static_cast<long>(::getpid()) ? !IsActive(path) : ProcessGone(pid);
    struct stat st {};
    if (stale && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
  }
}

bool AtomicFile::Open() {
  Abandon();
  error_.clear();
  failed_ = false;
  if (path_.empty()) return Fail("No file name");
  if (!ResolveTarget()) return false;
  if (NameOf(target_).empty()) return FailErrno(EISDIR);

  struct stat old {};
  const bool exists = ::stat(target_.c_str(), &old) == 0;
  if (exists) {
    if (S_ISDIR(old.st_mode)) return Fail("Is a folder, not a file");
    if (!S_ISREG(old.st_mode)) return Fail("Not a regular file");
    if (::access(target_.c_str(), W_OK) != 0) return FailErrno(errno);
  }
  const std::string folder = FolderOf(target_);
  if (options_.createFolders && !MakeFolders(folder, 0777)) return FailErrno(errno);

  // The temporary file starts with no more access than the file will have.
  const mode_t mode = exists ? (old.st_mode & 0666) : 0666;
  std::string temp;
  if (options_.tempName == AtomicWriteOptions::TempName::Tilde) {
    temp = target_ + "~";
    struct stat st {};
    if (::lstat(temp.c_str(), &st) == 0) {
      if (S_ISDIR(st.st_mode)) return Fail("The temporary file " + temp + " is a folder");
      ::unlink(temp.c_str()); // an earlier save's leftover; never written through
    }
    fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  } else {
    RemoveStaleTemps();
    const std::string prefix = JoinFolder(folder, "." + NameOf(target_) + "." + std::to_string(::getpid()) + ".");
    for (int attempt = 0; attempt < kMaxTempAttempts && fd_ < 0; ++attempt) {
      temp = prefix + std::to_string(g_counter++) + ".tmp";
      fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) break;
    }
  }
  if (fd_ < 0) return FailErrno(errno);
  temp_ = temp;
  SetActive(temp_, true);
  if (exists) {
    if (::fchmod(fd_, old.st_mode & 07777) != 0) return FailErrno(errno);
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0) { /* not permitted: the file becomes ours */ }
  }
  return true;
}

bool AtomicFile::Write(const void* data, std::size_t size) {
  if (fd_ < 0) return failed_ ? false : Fail("The file is not open");
  if (g_fault.load() == Fault::Write) return FailErrno(EIO);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailErrno(errno);
    }
    if (n == 0) return FailErrno(EIO);
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::Commit() {
  if (fd_ < 0) return failed_ ? false : Fail("The file is not open");
  // On disk before the rename, so a crash cannot leave an empty file behind.
  if (::fsync(fd_) != 0) return FailErrno(errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) return FailErrno(errno);
  if (options_.beforeRename) options_.beforeRename(temp_);
  if (g_fault.load() == Fault::Rename) return FailErrno(EIO);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return FailErrno(errno);
  SetActive(temp_, false);
  temp_.clear();
  // Make the rename itself durable; a failure here no longer loses the file.
  const int dfd = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error,
                         const AtomicWriteOptions& options) {
  AtomicFile file(path, options);
  const bool ok = file.Open() && file.Write(data) && file.Commit();
  if (!ok && error) *error = file.Error();
  return ok;
}

} // namespace Files

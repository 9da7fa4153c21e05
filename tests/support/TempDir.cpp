#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "velmaris-test-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::ZeroDevice(const std::string& name) const {
  constexpr unsigned kMemMajor = 1, kZeroMinor = 5;  // the kernel's numbers of /dev/zero
  const std::string path = File(name);
  if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(kMemMajor, kZeroMinor)) != 0) return {};
  return path;
}

std::string TempDir::Socket(const std::string& name) const {
  const std::string path = File(name);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  // The file stays when the socket is closed.
  const bool made = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  if (!made) throw std::runtime_error("cannot make socket " + path);
  return path;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string FixturesDir() {
  const char* d = std::getenv("VELMARIS_FIXTURES");
  std::string s = d ? d : "fixtures";
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

} // namespace testsupport

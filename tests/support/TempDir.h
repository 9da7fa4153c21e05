#pragma once
#include <string>

namespace testsupport {

// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away. Path() ends with "/".
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path() + name
  std::string File(const std::string& name) const { return path_ + name; }
  // Special files in the folder, so a test never aims a write (nor a link
  // it writes through) at the system's own files: a refusal that regressed
  // replaces only these.
  // A character device like /dev/zero (endless zero bytes); "" where device
  // nodes cannot be made (not root): the caller skips that case and says so.
  std::string ZeroDevice(const std::string& name) const;
  // A listening UNIX socket's file (needs no root).
  std::string Socket(const std::string& name) const;

private:
  std::string path_;
};

// Whole-file helpers for tests.
std::string ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Folder of the generated MP3 fixtures (build/fixtures/), ends with "/".
std::string FixturesDir();

} // namespace testsupport

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

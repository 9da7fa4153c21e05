// Arbitrary bytes as a settings file: parse, read, write back, read again.
#include "app/Tvelmarisoptions.h"
#include "platform/IniProfile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_ini: %s\n", what);
    std::abort();
  }
}

std::string Slurp(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
  }
  return out;
}

// Files go to a folder of their own, in memory where the system offers it
// (a disk-backed /tmp makes every run wait for the disk).
const std::string& WorkDir() {
  static std::string dir;
  if (dir.empty()) {
    struct stat st {};
    std::string base = ::stat("/dev/shm", &st) == 0 ? "/dev/shm" : "/tmp";
    dir = base + "/velmaris-fuzz-ini-" + std::to_string(::getpid()) + "/";
    ::mkdir(dir.c_str(), 0700);
    std::atexit([] {
      ::unlink((dir + "input.ini").c_str());
      ::unlink((dir + "VelmarisOpts.ini").c_str());
      ::rmdir(dir.c_str());
    });
  }
  return dir;
}

void Spill(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  Check(f != nullptr, "cannot create work file");
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);

  // In memory: an untouched profile gives back its bytes unchanged.
  IniProfile p;
  p.LoadFromText("mem.ini", input);
  Check(p.Text() == input, "untouched profile changed its text");

  // Names and a value taken from the input itself.
  const std::size_t cut = size / 3;
  const std::string sec = input.substr(0, cut % 9);
  const std::string key = input.substr(cut, cut % 7 + 1);
  const std::string value = input.substr(size / 2, 40);
  const std::string before = p.ReadString("Other", "Mode", "d", 2048);
  (void)p.ReadString(sec, key, "dflt", size % 5);
  if (p.WriteString(sec, key, value)) {
    IniProfile q;
    q.LoadFromText("mem.ini", p.Text());
    std::string expected = value.substr(0, value.find_first_of("\r\n"));
    Check(q.ReadString(sec, key, "", 4096) == expected, "written value does not read back");
  }
  Check(p.WriteString("Other", "Mode", "7"), "plain key refused");
  IniProfile r;
  r.LoadFromText("mem.ini", p.Text());
  Check(r.ReadString("other", "MODE", "", 64) == "7", "Mode does not read back");

  // On disk: the settings record survives a write and a second read unchanged.
  const std::string in = WorkDir() + "input.ini";
  const std::string work = WorkDir() + "VelmarisOpts.ini";
  Spill(in, data, size);
  TVelmarisOptions a;
  ReadOptions(a, in);
  Spill(work, data, size);
  WriteOptions(a, work);
  TVelmarisOptions b;
  ReadOptions(b, work);
  Check(a == b, "settings changed in a write and read");
  const std::string once = Slurp(work);
  WriteOptions(b, work);
  Check(Slurp(work) == once, "a second write changed the file");
  return 0;
}

// Arbitrary bytes as an MP3 file: read the ID3v2 tag from the file and from
// memory, then rewrite the file with a new tag and without one; the audio
// part must come through unchanged.
#include "FuzzSupport.h"
#include "tags/Id3v2.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_id3v2: %s\n", what);
    std::abort();
  }
}

bool SameFields(const TID3v2& a, const TID3v2& b) {
  return a.HasTag() == b.HasTag() && a.MajorVersion() == b.MajorVersion() &&
         a.TagSize() == b.TagSize() && a.Title() == b.Title() && a.Artist() == b.Artist() &&
         a.Album() == b.Album() && a.Track() == b.Track() && a.Year() == b.Year() &&
         a.Genre() == b.Genre() && a.Comment() == b.Comment();
}

// The rewrites flush the new file to disk; on a memory file system that
// costs nothing, so they run there when it exists.
const std::string& RewritePath(const std::string& fallback) {
  static const std::string path = ::access("/dev/shm", W_OK) == 0
                                      ? "/dev/shm/velmaris-fuzz-id3v2-" + std::to_string(::getpid()) + ".mp3"
                                      : fallback;
  static const bool cleanup = std::atexit([] { ::unlink(RewritePath("").c_str()); }) == 0;
  (void)cleanup;
  return path;
}

void Spill(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".mp3");
  TID3v2 tag;
  const bool ok = tag.ReadFromFile(path);
  Check(ok == (size >= TID3v2::HeaderSize), "read result depends on the size only");
  Check(tag.TagSize() >= 0 && tag.TagSize() <= static_cast<int64_t>(size), "tag size within the file");
  TID3v2 mem;
  Check(mem.ReadFromBuffer(data, size) == ok && SameFields(tag, mem), "file and buffer agree");
  if (!ok) return 0;

  const std::string original(reinterpret_cast<const char*>(data), size);
  const std::string audio = original.substr(tag.HasTag() ? static_cast<size_t>(tag.TagSize()) : 0);
  const std::string& work = RewritePath(path);
  Spill(work, original);
  Check(tag.SaveToFile(work), "save");
  const std::string saved = Slurp(work);
  const std::string newTag = tag.MakeTag();
  Check(saved == newTag + audio, "save writes the new tag before the audio");
  Check(tag.RemoveFromFile(work), "remove");
  Check(Slurp(work) == audio, "remove leaves the audio");
  return 0;
}

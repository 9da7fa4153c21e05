// Arbitrary bytes as an MP3 file's end: read the ID3v1 tag, write it back,
// read again and remove it.
#include "FuzzSupport.h"
#include "tags/Id3v1.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_id3v1: %s\n", what);
    std::abort();
  }
}

bool SameFields(const TID3v1& a, const TID3v1& b) {
  return a.HasTag() == b.HasTag() && a.Title() == b.Title() && a.Artist() == b.Artist() &&
         a.Album() == b.Album() && a.Year() == b.Year() && a.Comment() == b.Comment() &&
         a.Track() == b.Track() && a.GenreID() == b.GenreID();
}

int64_t SizeOf(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".mp3");
  TID3v1 tag;
  const bool ok = tag.ReadFromFile(path);
  Check(ok == (size >= TID3v1::BlockSize), "read result depends on the size only");
  Check(tag.Title().size() <= 30 && tag.Artist().size() <= 30 && tag.Album().size() <= 30 &&
            tag.Comment().size() <= 30 && tag.Year().size() <= 4,
        "field widths");
  TID3v1 mem;
  Check(mem.ReadFromBuffer(data, size) == ok && SameFields(tag, mem), "file and buffer agree");
  if (!ok || !tag.HasTag()) return 0;

  // Writing the fields back gives the same fields and the same file length.
  Check(tag.SaveToFile(path), "save");
  Check(SizeOf(path) == static_cast<int64_t>(size), "save keeps the length");
  TID3v1 back;
  Check(back.ReadFromFile(path) && SameFields(tag, back), "round trip");
  Check(tag.RemoveFromFile(path), "remove");
  Check(SizeOf(path) == static_cast<int64_t>(size - TID3v1::BlockSize), "remove cuts 128 bytes");
  return 0;
}

// Arbitrary bytes as an MP3 file: the tag summary and the report must hold
// display text (UTF-8) whatever the tags contain.
#include "FuzzSupport.h"
#include "tags/Kid3lib.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "fuzz_kid3lib: %s\n", what);
    std::abort();
  }
}

// Display text converts to itself: valid UTF-8 without zero bytes.
bool IsDisplayText(const std::string& s) { return KID3Lib::NarrowUnicodeText(s) == s; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".mp3");
  const KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(path);
  Check(s.Version.empty() || s.Version == "2.3.x" || s.Version == "1.1", "version text");
  Check(!s.Version.empty() || (s.Title + s.Artist + s.Album + s.Track + s.Year + s.Genre).empty(),
        "no tag, no texts");
  for (const std::string* t : {&s.Title, &s.Artist, &s.Album, &s.Track, &s.Year, &s.Genre})
    Check(IsDisplayText(*t), "summary text is display text");
  Check(IsDisplayText(KID3Lib::TagReportText(s)), "report is display text");

  const std::string raw(reinterpret_cast<const char*>(data), size);
  Check(IsDisplayText(KID3Lib::NarrowUnicodeText(raw)), "conversion gives display text");
  return 0;
}

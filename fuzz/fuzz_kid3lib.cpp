// Arbitrary bytes as an MP3 file: the tag summary (both readings) and the
// report must hold display text (UTF-8) whatever the tags contain.
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

// What any summary must hold: a known version, texts only with a version,
// display text everywhere.
void CheckSummary(const KID3Lib::SimpleID3& s, bool allVersions) {
  const bool knownVersion = s.Version.empty() || s.Version == "1.1" ||
                            (allVersions ? s.Version == "2.2" || s.Version == "2.3" || s.Version == "2.4"
                                         : s.Version == "2.3.x");
  Check(knownVersion, "version text");
  Check(!s.Version.empty() || (s.Title + s.Artist + s.Album + s.Track + s.Year + s.Genre).empty(),
        "no tag, no texts");
  for (const std::string* t : {&s.Title, &s.Artist, &s.Album, &s.Track, &s.Year, &s.Genre})
    Check(IsDisplayText(*t), "summary text is display text");
  Check(IsDisplayText(KID3Lib::TagReportText(s)), "report is display text");
  Check(IsDisplayText(KID3Lib::TagReportCaption(s)), "caption is display text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = WriteFuzzInput(data, size, ".mp3");
  const KID3Lib::SimpleID3 s = KID3Lib::ReadSimpleID3(path);
  CheckSummary(s, false);
  const KID3Lib::SimpleID3 classic = KID3Lib::ReadSimpleID3(path, KID3Lib::TagReading::Classic);
  Check(classic.Title == s.Title && classic.Artist == s.Artist && classic.Album == s.Album &&
            classic.Track == s.Track && classic.Year == s.Year && classic.Genre == s.Genre &&
            classic.Version == s.Version,
        "Classic is the one-argument reading");
  const KID3Lib::SimpleID3 all = KID3Lib::ReadSimpleID3(path, KID3Lib::TagReading::AllVersions);
  CheckSummary(all, true);
  // Both readings fall back to the same ID3v1 tag.
  if (s.Version == "1.1" && all.Version == "1.1") Check(all.Title == s.Title, "same ID3v1 tag");

  const std::string raw(reinterpret_cast<const char*>(data), size);
  Check(IsDisplayText(KID3Lib::NarrowUnicodeText(raw)), "conversion gives display text");
  return 0;
}

// tags_dump: prints both readings of the tag summary for files, and writes
// byte-built files of every ID3v2 version and flag, so a script can hold the
// readings against another tag reader (tests/tags/compare_with_mutagen.py).
//
//   tags_dump read FILE...    one line per file, tab-separated fields:
//                             path, classic title, then the AllVersions
//                             title, artist, album, track, year, genre, version
//   tags_dump write FOLDER    writes the files into FOLDER (which must exist)
#include "support/TagBytes.h"
#include "support/TempDir.h"
#include "tags/Kid3lib.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace testsupport;
using namespace std::string_literals;

namespace {

// Tabs, line breaks and backslashes escaped, so each file stays one line.
std::string Field(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\\') out += "\\\\";
    else out += c;
  }
  return out;
}

std::string Enc(int encoding, const std::string& bytes) {
  return std::string(1, static_cast<char>(encoding)) + bytes;
}

std::string Utf16Be(const std::string& ascii) {
  std::string s;
  for (char c : ascii) s += "\0"s + c;
  return s;
}

// The frames of one tag, for a version: title, artist, album, track, year, genre.
std::vector<std::string> Frames(uint8_t major, const std::vector<std::string>& data) {
  static const char* const kIds[3][6] = {{"TT2", "TP1", "TAL", "TRK", "TYE", "TCO"},
                                         {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON"},
                                         {"TIT2", "TPE1", "TALB", "TRCK", "TDRC", "TCON"}};
  std::vector<std::string> frames;
  for (size_t i = 0; i < data.size(); ++i) {
    const char* id = kIds[major - 2][i];
    frames.push_back(major == 2 ? Id3v22Frame(id, data[i])
                     : major == 3 ? Id3v2Frame(id, data[i])
                                  : Id3v24Frame(id, data[i]));
  }
  return frames;
}

void Write(const std::string& folder) {
  const std::string audio = SilentMpegFrames(2);
  auto put = [&](const std::string& name, const std::string& bytes) {
    WriteAll(folder + "/" + name + ".mp3", bytes + audio);
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> texts = {
      {"latin1", {Enc(0, "Caf\xE9 Title"), Enc(0, "Artist"), Enc(0, "Album"), Enc(0, "3/9"),
                  Enc(0, "2004"), Enc(0, "(17)")}},
      {"utf16le", {Enc(1, Utf16Le("Sixteen") + "\0\0"s), Enc(1, "\xFF\xFE\x1F\x04\x4F\x04"s),
                   Enc(1, Utf16Le("Album")), Enc(1, Utf16Le("12")), Enc(1, Utf16Le("1999")),
                   Enc(1, Utf16Le("Jazz"))}},
      {"utf16be-mark", {Enc(1, "\xFE\xFF"s + Utf16Be("Big Endian")), Enc(1, "\xFE\xFF\x04\x1F\x04\x4F"s)}},
      {"utf16-no-mark", {Enc(1, "B\0e\0t\0w\0e\0e\0n\0 \0W\0o\0r\0l\0d\0s\0"s)}},
      {"utf16be", {Enc(2, Utf16Be("Plain BE")), Enc(2, "\x04\x1F\x04\x4F"s)}},
      {"utf8", {Enc(3, "Bj\xC3\xB6rk Song"), Enc(3, "\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F")}},
      {"genre-number", {Enc(0, "Numbered"), Enc(0, "A"), Enc(0, "B"), Enc(0, "1"), Enc(0, "2000"),
                        Enc(0, "13")}},
      {"genre-refined", {Enc(0, "Refined"), Enc(0, "A"), Enc(0, "B"), Enc(0, "1"), Enc(0, "2000"),
                         Enc(0, "(4)Eurodisco")}},
  };
  for (uint8_t major : {2, 3, 4})
    for (const auto& [name, data] : texts)
      put("v2" + std::to_string(major) + "-" + name, Id3v2Tag(major, Frames(major, data), 64));

  // Several values (ID3v2.4).
  put("v24-multi", Id3v2Tag(4, {Id3v24Frame("TIT2", Enc(0, "One\0Two"s)),
                                Id3v24Frame("TPE1", Enc(1, Utf16Le("A") + "\0\0"s + Utf16Le("B"))),
                                Id3v24Frame("TCON", Enc(0, "17\0Pop"s))}));
  // Unsynchronisation: whole tag (2.2, 2.3), per frame and whole tag (2.4).
  const std::string ff = Enc(0, "\xFF\xE9t\xE9 " + std::string(250, 'x'));
  for (uint8_t major : {2, 3}) {
    const std::string body = Unsynchronised(
        major == 2 ? Id3v22Frame("TT2", ff) + Id3v22Frame("TP1", Enc(0, "Unsync\xFF"))
                   : Id3v2Frame("TIT2", ff) + Id3v2Frame("TPE1", Enc(0, "Unsync\xFF")));
    put("v2" + std::to_string(major) + "-unsync",
        Id3v2Header(major, static_cast<uint32_t>(body.size()), 0x80) + body);
  }
  put("v24-unsync-frame", Id3v2Tag(4, {Id3v24Frame("TIT2", Unsynchronised(ff), 0x0002),
                                       Id3v24Frame("TPE1", Enc(0, "Artist"))}));
  put("v24-unsync-tag", Id3v2Tag(4, {Id3v24Frame("TIT2", Unsynchronised(ff), 0x0002)}, 0, 0x80));
  put("v24-data-length", Id3v2Tag(4, {Id3v24Frame("TIT2", "\0\0\0\x0B"s + Enc(0, "With length"), 0x0001)}));
  // Extended headers.
  const std::string ext3 = "\0\0\0\x06\0\0\0\0\0\0"s, title3 = Id3v2Frame("TIT2", Enc(0, "Extended 3"));
  put("v23-extended", Id3v2Header(3, static_cast<uint32_t>(ext3.size() + title3.size()), 0x40) + ext3 + title3);
  const std::string ext4 = "\0\0\0\x06\x01\0"s, title4 = Id3v24Frame("TIT2", Enc(0, "Extended 4"));
  put("v24-extended", Id3v2Header(4, static_cast<uint32_t>(ext4.size() + title4.size()), 0x40) + ext4 + title4);
  // Compressed and encrypted frames are skipped (the title comes later).
  // Frames read as mutagen does: one whose id has small letters is stepped
  // over by its size; an iTunes version's ID3v2.3 tags with ID3v2.2 ids
  // padded with a zero byte are read.
  put("v23-small-letters", Id3v2Tag(3, {Id3v2Frame("Xtra", Enc(0, "skipped")), Id3v2Frame("TIT2", Enc(0, "After"))}));
  put("v23-itunes-v22-ids", Id3v2Tag(3, {Id3v2Frame("TT2\0"s, Enc(0, "Padded")), Id3v2Frame("TP1\0"s, Enc(0, "Art"))}));
  put("v24-encrypted", Id3v2Tag(4, {Id3v24Frame("TPE1", "\x80\0\0\0\x05xxxxx"s, 0x0004),
                                    Id3v24Frame("TIT2", Enc(0, "Clear title"))}));
}

} // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "write" && argc == 3) {
    Write(argv[2]);
    return 0;
  }
  if (mode != "read") {
    std::fprintf(stderr, "usage: tags_dump read FILE... | tags_dump write FOLDER\n");
    return 2;
  }
  for (int i = 2; i < argc; ++i) {
    const auto classic = KID3Lib::ReadSimpleID3(argv[i]);
    const auto all = KID3Lib::ReadSimpleID3(argv[i], KID3Lib::TagReading::AllVersions);
    std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n", Field(argv[i]).c_str(), Field(classic.Title).c_str(),
                Field(all.Title).c_str(), Field(all.Artist).c_str(), Field(all.Album).c_str(),
                Field(all.Track).c_str(), Field(all.Year).c_str(), Field(all.Genre).c_str(),
                Field(all.Version).c_str());
  }
  return 0;
}

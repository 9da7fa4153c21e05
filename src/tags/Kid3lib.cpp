#include "tags/Kid3lib.h"

#include "tags/Id3v2Frames.h"
#include "tags/Id3v2.h"
#include "tags/TagFile.h"
#include "tags/TagText.h"
#include "tags/VorbisComment.h"
#include "tags/VorbisContainer.h"

#include <cstring>

namespace KID3Lib {

std::string SingleByteText(const std::string& text) {
  return tagtext::SingleByte(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

std::string NarrowUnicodeText(const std::string& text) {
  const auto* p = reinterpret_cast<const uint8_t*>(text.data());
  if (text.size() >= 2 && p[0] == 0xFF && p[1] == 0xFE) return tagtext::DecodeUtf16(p + 2, text.size() - 2, false);
  if (text.size() >= 2 && p[0] == 0xFE && p[1] == 0xFF) return tagtext::DecodeUtf16(p + 2, text.size() - 2, true);
  return SingleByteText(text);
}

namespace {
size_t DigitCount(uint8_t v) { return v >= 100 ? 3 : v >= 10 ? 2 : 1; }
} // namespace

} // namespace KID3Lib

// Read access to the tag objects' texts without copying them.
struct TagTexts {
  static const std::string& Title(const TID3v2& t) { return t.title_; }
  static const std::string& Artist(const TID3v2& t) { return t.artist_; }
  static const std::string& Album(const TID3v2& t) { return t.album_; }
  static const std::string& Year(const TID3v2& t) { return t.year_; }
  static const std::string& Genre(const TID3v2& t) { return t.genre_; }
  static const std::string& Comment(const TID3v2& t) { return t.comment_; }
  static const std::string& Title(const TID3v1& t) { return t.title_; }
  static const std::string& Artist(const TID3v1& t) { return t.artist_; }
  static const std::string& Album(const TID3v1& t) { return t.album_; }
  static const std::string& Year(const TID3v1& t) { return t.year_; }
  static const std::string& Comment(const TID3v1& t) { return t.comment_; }
  static size_t GenreLength(const TID3v2& t) { return t.genre_.size(); }
  static size_t GenreLength(const TID3v1& t) {
    return t.genreID_ < MusicGenre.size() ? MusicGenre[t.genreID_].size() : 0;
  }
};

namespace KID3Lib {

// The joined texts (title, artist, album, track digits, year, genre,
// comment) must be longer than 3 bytes for a tag to count.
template <class Tag> bool JoinedTextIsShort(const Tag& tag) {
  if (!tag.HasTag()) return true;
  const size_t len = TagTexts::Title(tag).size() + TagTexts::Artist(tag).size() +
                     TagTexts::Album(tag).size() + DigitCount(tag.Track()) +
                     TagTexts::Year(tag).size() + TagTexts::GenreLength(tag) +
                     TagTexts::Comment(tag).size();
  return len <= 3;
}

bool IsTagEmpty(const TID3v2& tag) { return JoinedTextIsShort(tag); }
bool IsTagEmpty(const TID3v1& tag) { return JoinedTextIsShort(tag); }

namespace {

// The ID3v1 part of the summary; false when that tag is empty too.
bool FillFromId3v1(int fd, int64_t size, SimpleID3& r) {
  TID3v1 v1;
  if (!v1.ReadFromDescriptor(fd, size) || IsTagEmpty(v1)) return false;
  r.Title = SingleByteText(TagTexts::Title(v1));
  r.Artist = SingleByteText(TagTexts::Artist(v1));
  r.Album = SingleByteText(TagTexts::Album(v1));
  r.Track = std::to_string(v1.Track());
  r.Year = SingleByteText(TagTexts::Year(v1));
  r.Genre = v1.FGetGenre();
  r.Version = "1.1";
  return true;
}

// The summary from a tag of any ID3v2 version; false when it is empty by
// the same rule as the classic tag (joined texts of at most 3 bytes), except
// that a title, however short ("Hi"), is never nothing: it is shown.
bool FillFromAnyId3v2(int fd, int64_t size, SimpleID3& r) {
  using namespace id3v2frames;
  tagfile::Source src = tagfile::Source::FromDescriptor(fd, size);
  Texts t;
  if (!Read(src, t) || t.majorVersion == 0) return false;
  const uint8_t track = TID3v2::ParseTrack(t.text[kTrack]);
  const size_t joined = t.text[kTitle].size() + t.text[kArtist].size() + t.text[kAlbum].size() +
                        DigitCount(track) + t.text[kYear].size() + t.text[kGenre].size() +
                        t.text[kComment].size();
  if (joined <= 3 && t.text[kTitle].empty()) return false;
  r.Title = std::move(t.text[kTitle]);
  r.Artist = std::move(t.text[kArtist]);
  r.Album = std::move(t.text[kAlbum]);
  r.Track = std::to_string(track);
  r.Year = std::move(t.text[kYear]);
  r.Genre = std::move(t.text[kGenre]);
  r.Version = "2." + std::to_string(t.majorVersion);
  return true;
}

// FLAC, Ogg Vorbis and Opus files carry Vorbis comments. Only names other
// than ".mp3" are looked at for them, so an MP3 file reads as it always has.
bool MayHoldVorbisComment(const std::string& FileName) {
  constexpr size_t kExtSize = 4;
  if (FileName.size() < kExtSize) return true;
  std::string ext = FileName.substr(FileName.size() - kExtSize);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext != ".mp3";
}

// The summary from the file's Vorbis comment; false when it has none or the
// comment holds none of the summary's texts.
bool FillFromVorbisComment(int fd, int64_t size, SimpleID3& r) {
  using vorbiscontainer::Kind;
  tagfile::Source src = tagfile::Source::FromDescriptor(fd, size);
  // The first blocks or pages usually hold the comment: one read for them.
  constexpr size_t kHeadWindow = 4096;
  uint8_t head[kHeadWindow];
  src.LoadWindow(0, head, sizeof head);
  std::string block;
  const Kind kind = vorbiscontainer::FindComment(src, block);
  vorbiscomment::Fields f;
  if (kind == Kind::None || !vorbiscomment::Parse(reinterpret_cast<const uint8_t*>(block.data()), block.size(), f) ||
      f.Empty())
    return false;
  r.Title = std::move(f.title);
  r.Artist = std::move(f.artist);
  r.Album = std::move(f.album);
  r.Track = vorbiscomment::TrackOf(f.track);
  r.Year = vorbiscomment::YearOf(f.date);
  r.Genre = std::move(f.genre);
  r.Version = kind == Kind::Flac ? kVorbisCommentFlac : kind == Kind::Opus ? kVorbisCommentOpus : kVorbisCommentOgg;
  return true;
}

} // namespace

SimpleID3 ReadSimpleID3(const std::string& FileName) {
  SimpleID3 r;
  // One open for both tags: the ID3v2 header and frames, then (only when
  // that gives nothing) the last 128 bytes, all through the same descriptor.
  int64_t size = 0;
  const int fd = tagfile::OpenForReading(FileName, size);
  if (fd < 0) return r;
  TID3v2 v2;
  if (MayHoldVorbisComment(FileName) && FillFromVorbisComment(fd, size, r)) {
    // a FLAC, Ogg Vorbis or Opus file: its Vorbis comment is the summary
  } else if (v2.ReadFromDescriptor(fd, size) && !IsTagEmpty(v2)) {
    r.Title = NarrowUnicodeText(TagTexts::Title(v2));
    r.Artist = NarrowUnicodeText(TagTexts::Artist(v2));
    r.Album = NarrowUnicodeText(TagTexts::Album(v2));
    r.Track = std::to_string(v2.Track());
    r.Year = NarrowUnicodeText(TagTexts::Year(v2));
    r.Genre = NarrowUnicodeText(TagTexts::Genre(v2));
    r.Version = "2.3.x";
  } else {
    FillFromId3v1(fd, size, r);
  }
  tagfile::Close(fd);
  return r;
}

SimpleID3 ReadSimpleID3(const std::string& FileName, TagReading reading) {
  if (reading == TagReading::Classic) return ReadSimpleID3(FileName);
  SimpleID3 r;
  int64_t size = 0;
  const int fd = tagfile::OpenForReading(FileName, size);
  if (fd < 0) return r;
  if (MayHoldVorbisComment(FileName) && FillFromVorbisComment(fd, size, r)) {
    // a FLAC, Ogg Vorbis or Opus file: its Vorbis comment is the summary
  } else if (!FillFromAnyId3v2(fd, size, r)) {
    r = SimpleID3();
    FillFromId3v1(fd, size, r);
  }
  tagfile::Close(fd);
  return r;
}

std::string TagReportCaption(const SimpleID3& s) {
  if (s.Version == kVorbisCommentFlac || s.Version == kVorbisCommentOgg || s.Version == kVorbisCommentOpus)
    return "Vorbis comment (" + s.Version + " file)";
  return "ID3v" + s.Version + " mp3 tag";
}

std::string TagReportText(const SimpleID3& s) {
  static const std::string kRule(61, '-');
  static const char kBreak[] = "\r\n";
  std::string t;
  t.reserve(256 + s.Title.size() + s.Artist.size() + s.Album.size() + s.Year.size() +
            s.Genre.size() + s.Track.size());
  t += kRule + kBreak;
  t += "Title: " + s.Title + kBreak;
  t += "Artist: " + s.Artist + kBreak;
  t += "Album: " + s.Album + kBreak;
  t += "Track: " + s.Track + "  Year: " + s.Year + "  Genre: " + s.Genre + kBreak;
  t += kRule + kBreak;
  t += "Press ctrl-c to copy this information to the clipboard";
  return t;
}

} // namespace KID3Lib

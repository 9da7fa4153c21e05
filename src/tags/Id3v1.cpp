#include "tags/Id3v1.h"

#include "tags/TagFile.h"
#include "tags/TagRewrite.h"

#include <cstring>

const std::array<std::string, 148> MusicGenre = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop",
    "Jazz", "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock",
    "Techno", "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack",
    "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance",
    "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "AlternRock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop",
    "Instrumental Rock", "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic",
    "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40",
    "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret", "New Wave",
    "Psychadelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk",
    "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock",
    "National Folk", "Swing", "Fast Fusion", "Bebob", "Latin", "Revival", "Celtic",
    "Bluegrass", "Avantgarde", "Gothic Rock", "Progessive Rock", "Psychedelic Rock",
    "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic",
    "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony",
    "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba",
    "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock",
    "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass", "Club-House",
    "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover",
    "Contemporary Christian", "Christian Rock", "Merengue", "Salsa", "Trash Metal", "Anime",
    "JPop", "Synthpop"};

namespace {

constexpr size_t kTextWidth = 30;
constexpr size_t kYearWidth = 4;

// A fixed-width field: cut to its width first, then trailing bytes of code
// 0 to 32 (zero padding, blanks, control bytes) removed.
std::string FixedText(const char* data, size_t size, size_t width) {
  std::string s(data, size < width ? size : width);
  tagfile::TrimRight(s);
  return s;
}

bool StartsWithTag(const uint8_t* block) {
  return block[0] == 'T' && block[1] == 'A' && block[2] == 'G';
}

// Reads the last 128 bytes of the file at path; fileSize receives its size.
bool ReadBlock(const std::string& path, uint8_t* block, int64_t& fileSize) {
  int fd = tagfile::OpenForReading(path, fileSize);
  if (fd < 0) return false;
  bool ok = fileSize >= static_cast<int64_t>(TID3v1::BlockSize) &&
            tagfile::ReadExactAt(fd, fileSize - static_cast<int64_t>(TID3v1::BlockSize), block,
                                 TID3v1::BlockSize);
  tagfile::Close(fd);
  return ok;
}

} // namespace

TID3v1::TID3v1() { ResetData(); }

void TID3v1::ResetData() {
  hasTag_ = false;
  versionCode_ = 1;
  title_.clear();
  artist_.clear();
  album_.clear();
  year_.clear();
  comment_.clear();
  track_ = 0;
  genreID_ = 255;
}

void TID3v1::ReadFromBlock(const uint8_t* block) {
  ResetData();
  if (!StartsWithTag(block)) return;
  hasTag_ = true;
  const uint8_t b125 = block[125], b126 = block[126];
  const bool v11 = (b125 == 0 && b126 != 0) || (b125 == 32 && b126 != 32);
  versionCode_ = v11 ? 2 : 1;
  const char* c = reinterpret_cast<const char*>(block);
  title_ = FixedText(c + 3, 30, kTextWidth);
  artist_ = FixedText(c + 33, 30, kTextWidth);
  album_ = FixedText(c + 63, 30, kTextWidth);
  year_ = FixedText(c + 93, 4, kYearWidth);
  if (v11) {
    comment_ = FixedText(c + 97, 28, kTextWidth);
    track_ = b126;
  } else {
    comment_ = FixedText(c + 97, 30, kTextWidth);
  }
  genreID_ = block[127];
}

bool TID3v1::ReadFromDescriptor(int fd, int64_t fileSize) {
  ResetData();
  uint8_t block[BlockSize];
  if (fileSize < static_cast<int64_t>(BlockSize) ||
      !tagfile::ReadExactAt(fd, fileSize - static_cast<int64_t>(BlockSize), block, BlockSize))
    return false;
  ReadFromBlock(block);
  return true;
}

bool TID3v1::ReadFromBuffer(const uint8_t* data, size_t size) {
  ResetData();
  if (size < BlockSize) return false;
  ReadFromBlock(data + (size - BlockSize));
  return true;
}

bool TID3v1::ReadFromFile(const std::string& FileName) {
  ResetData();
  uint8_t block[BlockSize];
  int64_t size = 0;
  if (!ReadBlock(FileName, block, size)) return false;
  ReadFromBlock(block);
  return true;
}

bool TID3v1::RemoveFromFile(const std::string& FileName) { return Rewrite(FileName, nullptr); }

// Writes the file without its old block (and with newBlock, when given) under
// the name + "~" and renames it over the original: a kill at any moment
// leaves either the old or the new file whole. A file shorter than a block
// is refused; removing from a file without a tag leaves it untouched.
bool TID3v1::Rewrite(const std::string& FileName, const uint8_t* newBlock) {
  int64_t size = 0;
  const int in = tagfile::OpenForReading(FileName, size);
  if (in < 0) return false;
  uint8_t block[BlockSize];
  const int64_t blockAt = size - static_cast<int64_t>(BlockSize);
  if (size < static_cast<int64_t>(BlockSize) || !tagfile::ReadExactAt(in, blockAt, block, BlockSize)) {
    tagfile::Close(in);
    return false;
  }
  const bool hasTag = StartsWithTag(block);
  if (!newBlock && !hasTag) {
    tagfile::Close(in);
    return true;
  }
  // "Set attributes to normal" has no counterpart here.
  Files::AtomicFile out(FileName, tagfile::RewriteOptions());
  bool ok = out.Open() && tagfile::CopyRange(in, 0, hasTag ? blockAt : size, out);
  if (ok && newBlock) ok = out.Write(newBlock, BlockSize);
  tagfile::Close(in);
  return ok && out.Commit();
}

std::array<uint8_t, TID3v1::BlockSize> TID3v1::MakeBlock() const {
  std::array<uint8_t, BlockSize> b{};
  b[0] = 'T';
  b[1] = 'A';
  b[2] = 'G';
  auto put = [&b](size_t at, const std::string& s, size_t width) {
    std::memcpy(b.data() + at, s.data(), s.size() < width ? s.size() : width);
  };
  put(3, title_, kTextWidth);
  put(33, artist_, kTextWidth);
  put(63, album_, kTextWidth);
  put(93, year_, kYearWidth);
  put(97, comment_, kTextWidth);
  if (track_ > 0) {
    b[125] = 0;
    b[126] = track_;
  }
  b[127] = genreID_;
  return b;
}

bool TID3v1::SaveToFile(const std::string& FileName) {
  const std::array<uint8_t, BlockSize> block = MakeBlock();
  return Rewrite(FileName, block.data());
}

std::string TID3v1::FGetGenre() const {
  return genreID_ < MusicGenre.size() ? MusicGenre[genreID_] : std::string();
}

void TID3v1::FSetTitle(const std::string& v) { title_ = FixedText(v.data(), v.size(), kTextWidth); }
void TID3v1::FSetArtist(const std::string& v) { artist_ = FixedText(v.data(), v.size(), kTextWidth); }
void TID3v1::FSetAlbum(const std::string& v) { album_ = FixedText(v.data(), v.size(), kTextWidth); }
void TID3v1::FSetYear(const std::string& v) { year_ = FixedText(v.data(), v.size(), kYearWidth); }
void TID3v1::FSetComment(const std::string& v) { comment_ = FixedText(v.data(), v.size(), kTextWidth); }
void TID3v1::FSetTrack(uint8_t v) { track_ = v; }
void TID3v1::FSetGenreID(uint8_t v) { genreID_ = v; }

bool TID3v1::HasTag() const { return hasTag_; }
uint8_t TID3v1::VersionCode() const { return versionCode_; }
std::string TID3v1::Title() const { return title_; }
std::string TID3v1::Artist() const { return artist_; }
std::string TID3v1::Album() const { return album_; }
std::string TID3v1::Year() const { return year_; }
std::string TID3v1::Comment() const { return comment_; }
uint8_t TID3v1::Track() const { return track_; }
uint8_t TID3v1::GenreID() const { return genreID_; }

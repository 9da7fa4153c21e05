#pragma once
// The Vorbis comment block (FLAC's VORBIS_COMMENT, the Ogg Vorbis comment
// header, OpusTags): a vendor text and a list of "NAME=value" entries, all
// lengths 32-bit little-endian. Read into the texts the tag summary shows.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorbiscomment {

// The texts read from a block (UTF-8 as stored). A field given several times
// has its values joined with " / ", as ID3v2.4 shows several values.
struct Fields {
  std::string title, artist, album, track, date, genre, comment;
  bool cut = false; // the block ended before the entries it counts

  bool Empty() const {
    return title.empty() && artist.empty() && album.empty() && track.empty() && date.empty() &&
           genre.empty() && comment.empty();
  }
};

// Reads the block of `size` bytes at `data` (the bytes after any packet
// signature). A block cut short keeps the entries that are whole before the
// cut. False when not even the vendor length and text are there.
bool Parse(const uint8_t* data, size_t size, Fields& out);

// The year of a DATE text: its first four characters when they are digits
// ("2004-05-03" -> "2004"), else the text as it is.
std::string YearOf(const std::string& date);

// The track number of a TRACKNUMBER text as the summary shows it: its leading
// digits without leading zeros ("07/12" -> "7"); "0" when it has none.
std::string TrackOf(const std::string& track);

} // namespace vorbiscomment

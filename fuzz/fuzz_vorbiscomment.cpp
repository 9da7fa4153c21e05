// Arbitrary bytes as a Vorbis comment block: the fields read must be texts
// the block holds, and every cut of the block reads without fault.
#include "tags/VorbisComment.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vorbiscomment::Fields whole;
  const bool ok = vorbiscomment::Parse(data, size, whole);
  // The fields are made of the block's bytes (and " / " between values), so
  // they cannot together outgrow the block by more than the separators.
  const size_t total = whole.title.size() + whole.artist.size() + whole.album.size() + whole.track.size() +
                       whole.date.size() + whole.genre.size() + whole.comment.size();
  if (total > 2 * size) __builtin_trap();
  if (size > 0) {
    vorbiscomment::Fields cut;
    if (vorbiscomment::Parse(data, size / 2, cut) && !ok) __builtin_trap(); // a cut never reads better
  }
  (void)vorbiscomment::YearOf(whole.date);
  (void)vorbiscomment::TrackOf(whole.track);
  return 0;
}

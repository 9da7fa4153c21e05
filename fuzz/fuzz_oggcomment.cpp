// Arbitrary bytes after "OggS" as the first pages of an Ogg file: the walk
// to the comment packet ends, and what it returns is a Vorbis or Opus comment
// no longer than the file.
#include "tags/TagFile.h"
#include "tags/VorbisContainer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file = {'O', 'g', 'g', 'S'};
  file.insert(file.end(), data, data + size);
  const tagfile::Source src = tagfile::Source::FromMemory(file.data(), file.size());
  std::string block;
  const vorbiscontainer::Kind kind = vorbiscontainer::FindComment(src, block);
  if (kind == vorbiscontainer::Kind::Flac) __builtin_trap();
  if (kind == vorbiscontainer::Kind::None && !block.empty()) __builtin_trap();
  if (block.size() > file.size()) __builtin_trap();
  return 0;
}

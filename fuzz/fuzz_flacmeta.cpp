// Arbitrary bytes after "fLaC" as a FLAC file's metadata blocks: the walk to
// the comment block ends and returns at most the bytes that are there.
#include "tags/TagFile.h"
#include "tags/VorbisContainer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file = {'f', 'L', 'a', 'C'};
  file.insert(file.end(), data, data + size);
  const tagfile::Source src = tagfile::Source::FromMemory(file.data(), file.size());
  std::string block;
  const vorbiscontainer::Kind kind = vorbiscontainer::FindComment(src, block);
  if (kind != vorbiscontainer::Kind::None && kind != vorbiscontainer::Kind::Flac) __builtin_trap();
  if (block.size() > file.size()) __builtin_trap();
  return 0;
}

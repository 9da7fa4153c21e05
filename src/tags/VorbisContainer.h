#pragma once
// Finding the Vorbis comment block in its container: FLAC's metadata blocks,
// or the second packet of the first logical stream of an Ogg file (Vorbis or
// Opus). Internal to the tags folder; reads through a tagfile::Source.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagfile { class Source; }

namespace vorbiscontainer {

enum class Kind { None, Flac, OggVorbis, Opus };

// The most of a comment block that is read; a longer one (pictures kept in
// the comments) is read as cut there, which keeps the entries before it.
constexpr size_t kMaxBlock = 4u << 20;

// The comment block of the file: its bytes (after the packet signature) into
// `block`, and the kind of file. Kind::None when the file is no FLAC or Ogg
// Vorbis/Opus file or has no comment block; a block cut short (a damaged or
// truncated file, a missing Ogg page) is returned as far as it goes.
Kind FindComment(const tagfile::Source& src, std::string& block);

// The kind of file by its first bytes alone (no comment needed).
Kind KindOf(const tagfile::Source& src);

} // namespace vorbiscontainer

#pragma once
// Turning the bytes of tag texts into display text (UTF-8). Internal to the
// tags folder; shared by the tag summary and the ID3v2 frame reader.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tagtext {

// UTF-16 code units (n bytes; an odd last byte counts as completed with a
// zero byte) as UTF-8. U+0000 ends the text; a lone surrogate becomes U+FFFD.
std::string DecodeUtf16(const uint8_t* p, size_t n, bool bigEndian);

// A single-byte text: ends at its first zero byte, kept when it is valid
// UTF-8, else read as Latin-1.
std::string SingleByte(const uint8_t* p, size_t n);

// Latin-1 bytes (all n of them) as UTF-8.
std::string Latin1(const uint8_t* p, size_t n);

bool IsValidUtf8(const uint8_t* p, size_t n);

} // namespace tagtext

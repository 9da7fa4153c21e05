#pragma once
// Character-wise views of UTF-8 text: song captions are cut and measured in
// characters, never inside one. A byte that does not start a well-formed
// sequence counts as one character of its own, so any byte string can be
// measured and cut without running past its end.
#include <cstddef>
#include <string>
#include <string_view>

namespace Utf8Text {

// Bytes of the character that starts at `i` (1 to 4; 0 at the end).
size_t CharSize(std::string_view s, size_t i);
// Number of characters.
size_t Length(std::string_view s);
// Byte offset of character number `index` (0-based); s.size() past the end.
size_t Offset(std::string_view s, size_t index);
// Up to `count` characters starting at character `first` (0-based).
std::string Mid(std::string_view s, size_t first, size_t count);

} // namespace Utf8Text

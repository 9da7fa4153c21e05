#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Reading the values of a skin script (.vskin).

// The twelve keys of a skin script, in the order they are applied.
inline constexpr std::array<std::string_view, 12> SkinScriptKeys = {
    "Name=",          "Author=",       "TranspColor=",   "MainImage=",
    "ProgBGColor=",   "ProgBarColor=", "MainFontColor=", "BoxFontColor=",
    "BoxBGColor=",    "PlyLstBGColor=", "PlyLstFontColor=", "PlyLstBarColor="};

// The value of one key: the text between the key's first occurrence and the
// next ";" (see Tokens::TokenBetween for a missing key or ";").
std::string SkinValue(const std::string& text, const std::string& key);

// A colour name (whole match, case ignored) or a 32-bit integer: optional
// leading blanks, optional sign, decimal digits or hex digits after "$", "x",
// "X", "0x" or "0X", nothing after the digits. Decimal numbers must lie in
// the signed 32-bit range; hex numbers may use all 32 bits ("$FFFFFFFF" is
// 0xFFFFFFFF) and a "-" before them negates the 32-bit value.
// Throws std::invalid_argument("'<value>' is not a valid integer value").
uint32_t StringToColor(const std::string& value);

// The script file as one text: its lines (the playlist line rules), each
// followed by CR LF. Throws std::runtime_error("Cannot open file \"<path>\".
// <reason>") when it cannot be read, is not a regular file or is longer than
// kMaxSkinScriptBytes.
std::string ReadSkinScriptText(const std::string& path);
// Far more than the twelve keys of a script need.
inline constexpr std::size_t kMaxSkinScriptBytes = 1024 * 1024;

#pragma once
// The list of skin scripts on the options dialog's skin page, and where a
// script's bitmap is found. The plain functions use the standard library
// only.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace SkinList {

// The skin scripts ("*.vskin", any letter case) of `folder`, by file name
// with extension, in the order the folder listing gives them; names that are
// blank after trimming blanks and control characters are left out. A folder
// that cannot be read gives an empty list.
std::vector<std::string> SkinListItems(const std::string& folder);

// The file a skin script's "MainImage=" value names. `scriptFolder` is the
// script's folder with its trailing "/". A value starting with "/" is used as
// it is; anything else is taken relative to the script's folder, with "\"
// read as "/" (scripts made on Windows), so a bare name, "sub/x.bmp",
// "..\x.bmp" and "\x.bmp" all resolve inside or beside the script's folder.
// A Windows drive path ("C:\skins\x.bmp") cannot exist here: its file name
// is looked up in the script's folder instead.
std::string SkinBitmapPath(const std::string& scriptFolder, const std::string& value);

// The bytes of a skin bitmap file, for QImage::fromData. A regular file of
// at most kMaxSkinBitmapBytes, opened without blocking. Throws
// std::runtime_error("Cannot open file \"<path>\". <reason>") when it is
// missing, unreadable or a folder, and std::runtime_error("Bitmap image is
// not valid") for a FIFO, device or a file that is too large.
std::string ReadSkinBitmapBytes(const std::string& path);
inline constexpr std::size_t kMaxSkinBitmapBytes = 64u * 1024u * 1024u;

// The script to load when the dialog closes with OK, or nothing when the
// choice `chosenName` (the current-skin caption) is the skin already applied:
// the file-name part of `lastSkinFile` equals it, case-sensitively. An empty
// choice with a skin applied gives a path that names no file, which only
// clears the skin folder setting.
std::optional<std::string> SkinToApply(const std::string& lastSkinFile, const std::string& skinFolder,
                                       const std::string& chosenName);

} // namespace SkinList

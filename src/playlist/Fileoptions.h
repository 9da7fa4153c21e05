#pragma once
#include <cstdint>
#include <string>

// Folder listing and file-name helpers.
namespace Fileoptions {

// The names of the files (one level, symlinks followed, no folders) in
// `folder` that match `mask`, sorted without regard to case, separated by LF
// and kept exactly (names holding a CR or LF are left out). A folder that
// cannot be listed, or one without matching files, gives "". The mask takes
// "*" and "?" and ignores case; a mask ending in ".*" also matches names
// without a dot ("*.*" is every file). The process's current directory is
// left alone.
std::string ListFolderFiles(const std::string& folder, const std::string& mask);
// The same, also counting the names left out because they hold a line break.
std::string ListFolderFiles(const std::string& folder, const std::string& mask, int& lineBreakNames);

// The text after the last "/" with everything from its last "." cut off
// ("A.B.mp3" -> "A.B", ".mp3" -> "", "dir.x/name" -> "name").
std::string FileNameNoExt(const std::string& path);

// Mask matching of ListFolderFiles.
bool MatchesMask(const std::string& name, const std::string& mask);

// The attribute word a listed file reports: archive 0x20, plus hidden 0x02
// for a name starting with ".", plus read-only 0x01 when it is not writable.
constexpr uint32_t faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faVolumeID = 0x08,
                   faArchive = 0x20, faListed = 0x2F;

} // namespace Fileoptions

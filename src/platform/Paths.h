#pragma once
// Where the program and its files are.
#include <string>

namespace Paths {
// The folder of the running executable, with its trailing "/".
std::string ProgramDir();
// The full path of the running executable.
std::string ProgramPath();
// True when files can be created in `dir`.
bool IsWritableDir(const std::string& dir);
// $XDG_CONFIG_HOME (default ~/.config), $XDG_DATA_HOME (~/.local/share),
// $XDG_STATE_HOME (~/.local/state); no trailing "/".
std::string XdgConfigHome();
std::string XdgDataHome();
std::string XdgStateHome();
// A regular file (links followed) or a folder exists at `path`.
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
// Creates `dir` and its parents; false on failure.
bool MakeDirs(const std::string& dir);
} // namespace Paths

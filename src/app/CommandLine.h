// The command-line options answered before any window or display exists:
// --version and --help.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Answers --version or --help (also -h) on `out` and returns the exit code;
// returns nothing when the arguments ask the player to start. Arguments after
// "--" are file names, never options. `args` excludes the program name.
std::optional<int> AnswerInfoOption(const std::vector<std::string>& args, const std::string& version,
                                    std::ostream& out);

#include "app/CommandLine.h"

namespace {

constexpr const char* kUsage =
    "Usage: velmaris [FILE]\n"
    "A small, skinnable, always-on-top MP3 player.\n"
    "\n"
    "  FILE           an MP3 file or a playlist (.vpls, .m3u, .m3u8, .pls, .b4s) to open\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n";

} // namespace

std::optional<int> AnswerInfoOption(const std::vector<std::string>& args, const std::string& version,
                                    std::ostream& out) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "--version") {
      out << "Velmaris " << version << '\n';
      return 0;
    }
    if (arg == "--help" || arg == "-h") {
      out << kUsage;
      return 0;
    }
  }
  return std::nullopt;
}

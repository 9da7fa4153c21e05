#include "app/CommandLine.h"
#include "playlist/Kconvert.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct Answer {
  std::optional<int> Code;
  std::string Output;
};

Answer Ask(const std::vector<std::string>& args) {
  std::ostringstream out;
  Answer a;
  a.Code = AnswerInfoOption(args, "1.6", out);
  a.Output = out.str();
  return a;
}

TEST(CommandLine, VersionPrintsNameAndVersionAndSucceeds) {
  const Answer a = Ask({"--version"});
  EXPECT_EQ(a.Code, 0);
  EXPECT_EQ(a.Output, "Velmaris 1.6\n");
}

TEST(CommandLine, HelpInBothSpellingsPrintsUsageAndSucceeds) {
  for (const char* option : {"--help", "-h"}) {
    const Answer a = Ask({option});
    EXPECT_EQ(a.Code, 0) << option;
    EXPECT_EQ(a.Output.rfind("Usage: velmaris [FILE]\n", 0), 0u) << option;
  }
}

TEST(CommandLine, HelpNamesEveryPlaylistTypeTheProgramOpens) {
  const std::string help = Ask({"--help"}).Output;
  for (const std::string ext : {".vpls", ".m3u", ".m3u8", ".pls", ".b4s"}) {
    EXPECT_NE(Kconvert::PlaylistReaderFor("list" + ext), nullptr) << ext;
    EXPECT_TRUE(help.find(ext + ",") != std::string::npos || help.find(ext + ")") != std::string::npos) << ext;
  }
}

TEST(CommandLine, OptionAfterAFileIsStillAnswered) {
  EXPECT_EQ(Ask({"song.mp3", "--version"}).Output, "Velmaris 1.6\n");
}

TEST(CommandLine, FirstInfoOptionWins) {
  EXPECT_EQ(Ask({"--version", "--help"}).Output, "Velmaris 1.6\n");
  EXPECT_EQ(Ask({"-h", "--version"}).Output.rfind("Usage:", 0), 0u);
}

TEST(CommandLine, FilesAndOtherArgumentsStartThePlayerSilently) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"song.mp3"}, {"/music/Demo Songs.vpls"}, {"--versions"}, {"-help"}, {""}}) {
    const Answer a = Ask(args);
    EXPECT_FALSE(a.Code.has_value()) << (args.empty() ? "(none)" : args[0]);
    EXPECT_EQ(a.Output, "");
  }
}

TEST(CommandLine, ArgumentsAfterDoubleDashAreFileNames) {
  const Answer a = Ask({"--", "--version", "-h"});
  EXPECT_FALSE(a.Code.has_value());
  EXPECT_EQ(a.Output, "");
}

} // namespace

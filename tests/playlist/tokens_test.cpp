#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "text/Tokens.h"

using Tokens::TokenBetween;
using Tokens::TokensBetween;

namespace {

// The scanner written the slow, literal way: repeated searches from the front
// of a copy whose beginning is deleted step by step.
size_t NaivePos(const std::string& what, const std::string& s) {
  return what.empty() ? std::string::npos : s.find(what);
}

void NaiveDeleteFront(std::string& s, size_t count) { s.erase(0, std::min(count, s.size())); }

std::string NaiveTokenBetween(std::string s, const std::string& open, const std::string& close) {
  const size_t o = NaivePos(open, s);
  if (o != std::string::npos) {
    NaiveDeleteFront(s, o + open.size());
  } else if (!open.empty()) {
    NaiveDeleteFront(s, open.size() - 1);
  }
  const size_t c = NaivePos(close, s);
  if (c != std::string::npos) s.erase(c);
  return s;
}

// With `stopWhenUnclosed` false this is the scan word for word; the program
// stops after the first token that no close ends.
std::vector<std::string> NaiveTokensBetween(const std::string& text, const std::string& open,
                                            const std::string& close, bool stopWhenUnclosed) {
  std::vector<std::string> result;
  std::string copy = text;
  while (NaivePos(open, copy) != std::string::npos) {
    std::string t = NaiveTokenBetween(copy, open, close);
    if (!t.empty()) result.push_back(t);
    NaiveDeleteFront(copy, NaivePos(open, copy) + open.size());
    const size_t c = NaivePos(close, copy);
    if (c != std::string::npos) {
      NaiveDeleteFront(copy, c + close.size());
    } else {
      if (stopWhenUnclosed) break;
      if (!close.empty()) NaiveDeleteFront(copy, close.size() - 1);
    }
  }
  return result;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(TokenBetween, TakesTextBetweenFirstOpenAndNextClose) {
  EXPECT_EQ(TokenBetween("x<a>1</a><a>2</a>", "<a>", "</a>"), "1");
  EXPECT_EQ(TokenBetween("Name=Steel ;Author=me;", "Name=", ";"), "Steel ");
  // The close delimiter is searched only after the open one.
  EXPECT_EQ(TokenBetween(";Name=v;", "Name=", ";"), "v");
  // Open and close overlapping characters are not shared.
  EXPECT_EQ(TokenBetween("ab", "ab", "b"), "");
}

TEST(TokenBetween, MissingDelimiters) {
  // Missing open: the first (length - 1) characters are dropped instead.
  EXPECT_EQ(TokenBetween("abcdef;rest", "Name=", ";"), "ef");
  EXPECT_EQ(TokenBetween("abc", "Name=", ";"), "");
  EXPECT_EQ(TokenBetween("", "Name=", ";"), "");
  EXPECT_EQ(TokenBetween("xy;z", "Q", ";"), "xy");
  // Missing close: everything after the open delimiter, line ends included.
  EXPECT_EQ(TokenBetween("Name=abc\r\nmore", "Name=", ";"), "abc\r\nmore");
  // Empty delimiters never occur: nothing is dropped and nothing is cut.
  EXPECT_EQ(TokenBetween("abc", "", ""), "abc");
  EXPECT_EQ(TokenBetween("a=bc", "=", ""), "bc");
}

TEST(TokensBetween, EveryNonEmptyTokenInOrder) {
  const std::string text = "<e f=\"a\"><e f=\"\"><e f=\"b\">junk<e f=\"c";
  EXPECT_EQ(TokensBetween(text, "<e f=\"", "\">"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_TRUE(TokensBetween("no delimiters here", "<", ">").empty());
  EXPECT_TRUE(TokensBetween("abc", "", ">").empty());
}

TEST(TokensBetween, SkipsPastTheCloseBeforeLookingForTheNextOpen) {
  // The second "[" stands inside the first token, so it opens no token of
  // its own; after the first "]" the scan goes on from there.
  EXPECT_EQ(TokensBetween("[a[b]c]d[e]", "[", "]"), (std::vector<std::string>{"a[b", "e"}));
  // A token that no close ends runs to the end of the text and is the last.
  EXPECT_EQ(TokensBetween("<a!><<x<y", "<", "!>"), (std::vector<std::string>{"a", "<x<y"}));
}

TEST(TokensBetween, MatchesTheLiteralAlgorithmOnRandomInput) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab<>\"=";
  auto randomText = [&](size_t maxLen) {
    std::string s(rng() % (maxLen + 1), ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::string text = randomText(40);
    const std::string open = randomText(3);
    const std::string close = randomText(3);
    const auto tokens = TokensBetween(text, open, close);
    ASSERT_EQ(tokens, NaiveTokensBetween(text, open, close, true))
        << "text=" << text << " open=" << open << " close=" << close;
    // The word-for-word scan differs only by the further tails of the text
    // that it would add after the last token.
    const auto literal = NaiveTokensBetween(text, open, close, false);
    ASSERT_GE(literal.size(), tokens.size());
    for (size_t k = 0; k < literal.size(); ++k) {
      if (k < tokens.size()) {
        ASSERT_EQ(literal[k], tokens[k]);
      } else {
        ASSERT_TRUE(EndsWith(text, literal[k])) << literal[k];
      }
    }
    ASSERT_EQ(TokenBetween(text, open, close), NaiveTokenBetween(text, open, close))
        << "text=" << text << " open=" << open << " close=" << close;
  }
}

TEST(TokensBetween, LinearOnLargeInput) {
  // 200,000 entries closed only at the very end, then 200,000 opens with no
  // close: a rescan per token, or a tail per open, would take minutes.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "<ab";
  text += "\">";
  for (int i = 0; i < 200000; ++i) text += "<ab";
  const auto start = std::chrono::steady_clock::now();
  const auto tokens = TokensBetween(text, "<", "\">");
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].size(), 200000u * 3 - 1);
  EXPECT_EQ(tokens[1].size(), 200000u * 3 - 1);
  EXPECT_LT(ms.count(), 2000);
}

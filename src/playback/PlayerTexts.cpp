#include "playback/PlayerTexts.h"

#include <cmath>
#include <cstdlib>

#include "text/Utf8Text.h"

namespace PlayerTexts {

namespace {

// At least two digits, zero-padded on the left.
std::string TwoDigits(int32_t n) {
  const long long v = std::llabs(static_cast<long long>(n));
  std::string digits = std::to_string(v);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return n < 0 ? "-" + digits : digits;
}

// Replaces every `token` by `value()`; text put in for a token is not
// scanned again, so a value holding the token cannot make the expansion run on.
void ReplaceAll(std::string& text, const std::string& token, const std::function<std::string()>& value) {
  size_t from = 0;
  bool have = false;
  std::string v;
  while ((from = text.find(token, from)) != std::string::npos) {
    if (!have) {
      v = value ? value() : std::string();
      have = true;
    }
    text.replace(from, token.size(), v);
    from += v.size();
  }
}

} // namespace

std::string TimeText(int32_t seconds) {
  const int32_t m = seconds / 60;
  const int32_t r = seconds - 60 * m;
  return TwoDigits(m) + ":" + TwoDigits(r);
}

int32_t WholeSeconds(int64_t ms) { return static_cast<int32_t>(std::trunc(static_cast<double>(ms) * 0.001)); }

bool BlankText(const std::string& s) {
  for (char ch : s)
    if (static_cast<unsigned char>(ch) > ' ') return false;
  return true;
}

std::string ExpandDisplayFormat(const std::string& format, const DisplayValues& values) {
  std::string text = format;
  ReplaceAll(text, TokenFileName, values.FileName);
  ReplaceAll(text, TokenTimeLeft, values.TimeLeft);
  ReplaceAll(text, TokenPos, values.Pos);
  return text;
}

std::string FileNameToken(const std::string& caption) { return Utf8Text::Mid(caption, 1, 10); }

SongCaption MakeSongCaption(const std::string& displayText) {
  SongCaption c;
  c.Text = " " + displayText;
  if (Utf8Text::Length(c.Text) > MaxCaptionChars) {
    c.Text = Utf8Text::Mid(c.Text, 0, CutCaptionChars) + "...";
    c.Cut = true;
  }
  return c;
}

std::string OpenErrorText(const std::string& shownPath, const std::string& deviceText) {
  struct Known {
    const char* Part;  // a piece of the decoder's text
    const char* Plain;
  };
  static constexpr Known known[] = {
      {"valid MPEG data", "it holds no MP3 audio; it may be damaged, or a file of another kind"},
      {"no playable MPEG audio", "it holds no MP3 audio; it may be empty, damaged, or a file of another kind"},
      {"resync", "it holds no MP3 audio; it may be damaged, or a file of another kind"},
      {"Unable to open file", "it cannot be opened"},
      {"No such file", "it does not exist"},
      {"Permission denied", "it may not be read"},
      {"Out of memory", "there is not enough memory"},
      {"Unknown error code", "its audio cannot be decoded"},
  };
  std::string reason = deviceText;
  for (const Known& k : known)
    if (deviceText.find(k.Part) != std::string::npos) {
      reason = k.Plain;
      break;
    }
  while (!reason.empty() && (reason.back() == '.' || reason.back() == ' ')) reason.pop_back();
  return "Cannot play \"" + shownPath + "\": " + reason + ".";
}

int ProgressWidth(int32_t position, int32_t length, int width) {
  if (length <= 0) return 0;
  const float q = static_cast<float>(static_cast<double>(position) / static_cast<double>(length));
  const int w = static_cast<int>(std::trunc(static_cast<double>(width) * q));
  return w < 0 ? 0 : w;
}

} // namespace PlayerTexts

#pragma once
// The player's texts and bar widths as pure rules: time texts, the display
// formats with their tokens, the song caption's cut and the progress bar.
// Standard library only, so they are table-tested without a window.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace PlayerTexts {

// The three tokens of the display formats.
inline const std::string TokenFileName = "$filename";
inline const std::string TokenTimeLeft = "$timeleft";
inline const std::string TokenPos = "$pos";
// What the caption and the taskbar text start with.
inline const std::string TitlePrefix = "Velmaris ";

// "mm:ss": minutes and seconds, each at least two digits (minutes may run
// past 99; negative values keep their sign).
std::string TimeText(int32_t seconds);
// Whole seconds of a millisecond count, cut towards zero.
int32_t WholeSeconds(int64_t ms);

// True when the text holds nothing but blanks and control characters.
bool BlankText(const std::string& s);

// Replaces every token of `format` left to right. Each value is asked for
// once, at its token's first occurrence, and is not scanned again. Tokens
// are replaced in the order $filename, $timeleft, $pos.
struct DisplayValues {
  std::function<std::string()> FileName;
  std::function<std::string()> TimeLeft;
  std::function<std::string()> Pos;
};
std::string ExpandDisplayFormat(const std::string& format, const DisplayValues& values);

// What $filename stands for: the song caption without its leading blank, at
// most 10 characters.
std::string FileNameToken(const std::string& caption);

// Song captions longer than MaxCaptionChars characters are cut to
// CutCaptionChars characters followed by "...".
inline constexpr size_t MaxCaptionChars = 45;
inline constexpr size_t CutCaptionChars = 39;
struct SongCaption {
  std::string Text;  // " " + display text, cut when too long
  bool Cut = false;
};
SongCaption MakeSongCaption(const std::string& displayText);

// The progress bar's width for `position` of `length` seconds in a bar of
// `width` pixels; 0 for a song without length or a negative result.
int ProgressWidth(int32_t position, int32_t length, int width);

// The error shown when a song cannot be opened: which file, and what is
// wrong in plain words instead of the decoder's own text where it is one we
// know (the decoder's text otherwise).
std::string OpenErrorText(const std::string& shownPath, const std::string& deviceText);

} // namespace PlayerTexts

// The position timer: every tick polls the device, moves on when a song has
// ended, and redraws the progress bar, the time texts, the caption and the
// taskbar text.
#include "app/FrmMainVelmaris.h"

#include <QFrame>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/widgets/SpeedButton.h"
#include "playback/Utf8Text.h"
#include "playlist/PlayListModel.h"

namespace {

const std::string Prefix = "Velmaris ";

// Blanks and control characters at both ends removed.
bool BlankText(const std::string& s) {
  for (char ch : s)
    if (static_cast<unsigned char>(ch) > ' ') return false;
  return true;
}

// At least two digits, zero-padded on the left.
std::string TwoDigits(int32_t n) {
  const long long v = std::llabs(static_cast<long long>(n));
  std::string digits = std::to_string(v);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return n < 0 ? "-" + digits : digits;
}

int32_t WholeSeconds(int64_t ms) { return static_cast<int32_t>(std::trunc(static_cast<double>(ms) * 0.001)); }

// Replaces every `token` by `value()`, scanning left to right; text put in
// for a token is not scanned again, so a value holding the token cannot make
// the expansion run on. `value` is asked once, at the first occurrence.
template <typename Value>
void ReplaceAll(std::string& text, const std::string& token, Value value) {
  size_t from = 0;
  bool have = false;
  std::string v;
  while ((from = text.find(token, from)) != std::string::npos) {
    if (!have) {
      v = value();
      have = true;
    }
    text.replace(from, token.size(), v);
    from += v.size();
  }
}

void SetTrayHint(TFrmMainVelmaris& w, const std::string& hint) {
  w.TrayHint = QString::fromStdString(hint);
  if (w.TrayIcon) w.TrayIcon->setToolTip(w.TrayHint);
}

} // namespace

std::string TFrmMainVelmaris::TimeText(int32_t seconds) {
  const int32_t m = seconds / 60;
  const int32_t r = seconds - 60 * m;
  return TwoDigits(m) + ":" + TwoDigits(r);
}

std::string TFrmMainVelmaris::LengthTimeText() {
  if (!MPlayer || !MPlayer->IsOpen()) throw MediaDeviceError(kNoDeviceOpen);
  LengthSeconds = WholeSeconds(MPlayer->Length());
  return TimeText(LengthSeconds);
}

std::string TFrmMainVelmaris::PositionTimeText() const { return TimeText(PositionSeconds); }

std::string TFrmMainVelmaris::TimeLeftText() {
  LengthTimeText();
  return TimeText(LengthSeconds - PositionSeconds);
}

void TFrmMainVelmaris::ShowTotalTime() {
  PositionSeconds = 0;
  LengthText->setText(QString::fromStdString(" [" + LengthTimeText() + "] total time"));
}

std::string TFrmMainVelmaris::ExpandDisplayFormat(const std::string& format) {
  std::string text = format;
  ReplaceAll(text, TokenFileName, [this] {
    // The song caption without its leading blank, at most 10 characters.
    return Utf8Text::Mid(FileText->text().toStdString(), 1, 10);
  });
  ReplaceAll(text, TokenTimeLeft, [this] { return TimeLeftText(); });
  ReplaceAll(text, TokenPos, [this] { return PositionTimeText(); });
  return text;
}

void TFrmMainVelmaris::MP3TimerTimer() {
  // No song open (a failed open, or Play before any load): the failing
  // command has shown its error once; the timer stops rather than asking a
  // closed device again on every tick.
  if (!MPlayer || !MPlayer->IsOpen()) {
    MP3Timer->stop();
    return;
  }
  // Likewise an error inside a tick is shown once: the timer stops before
  // the error leaves, and Play or the next song starts it again.
  try {
    const int64_t p = MPlayer->Position();
    const int64_t n = MPlayer->Length();
    if (p < n) {
      PositionSeconds = WholeSeconds(p);
      ZeroLengthEnds = 0;
    } else {
      // A song without length ends as soon as it starts. Moving on from such
      // songs stops once each line has had its turn, so a list of them cannot
      // keep the player busy for ever.
      if (n > 0) ZeroLengthEnds = 0;
      else if (++ZeroLengthEnds >= std::max(1, PlayListModel->Count())) {
        MP3Timer->stop();
        PositionSeconds = 0;
        ZeroLengthEnds = 0;
        SetTrayHint(*this, Prefix);
        return;
      }
      if (SongFinished()) return;
    }

    if (LengthSeconds > 0) {
      const float q = static_cast<float>(static_cast<double>(PositionSeconds) / static_cast<double>(LengthSeconds));
      const int width = static_cast<int>(std::trunc(static_cast<double>(ProgressPanel->width() - 3) * q));
      ProgressPanelBar->resize(width < 0 ? 0 : width, ProgressPanelBar->height());
    }
    PositionText->setText(QString::fromStdString(" [" + PositionTimeText() + "]"));

    if (!BlankText(VelmarisOptions.DispTask))
      SetApplicationTitle(Prefix + ExpandDisplayFormat(VelmarisOptions.DispTask));
    const std::string& format = GetFoldMode() == 0 ? VelmarisOptions.DispMini : VelmarisOptions.DispNormal;
    if (!BlankText(format)) CaptionLabel->setText(QString::fromStdString(Prefix + ExpandDisplayFormat(format)));

    UpdateTransportButtons();
    QuickFindIdleStep();
  } catch (...) {
    MP3Timer->stop();
    throw;
  }
}

bool TFrmMainVelmaris::SongFinished() {
  MP3Timer->stop();
  PositionSeconds = 0;
  PlayerSetPosition(0);
  if (RepeatButton->Down()) {
    PlayButtonClick();
    return false;
  }
  const bool next = ShuffleButton->Down() ? SelectRandomEntry() : SelectNextEntry();
  if (next) {
    PlayCurrentEntry();
    return true;
  }
  SetTrayHint(*this, Prefix);
  return false;
}

void TFrmMainVelmaris::ProgressPanelMouseDown(QWidget*, int x) {
  const int width = ProgressPanel->width();
  if (width <= 0) return;
  const double t = std::trunc(static_cast<double>(x) / width * LengthSeconds);
  // Targets outside the song are ignored by SeekTo; out-of-range values
  // never reach the integer conversion.
  if (!(t >= 0.0 && t < static_cast<double>(LengthSeconds))) return;
  SeekTo(static_cast<int32_t>(t));
}

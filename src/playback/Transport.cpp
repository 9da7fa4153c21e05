// The player engine: loading a song into the media device, the transport
// buttons and commands, and moving the playlist's current line.
#include "app/FrmMainVelmaris.h"

#include <QFont>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cmath>
#include <sys/stat.h>

#include "app/widgets/SpeedButton.h"
#include "platform/UserDialogs.h"
#include "playback/Utf8Text.h"
#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"
#include "platform/Paths.h"

namespace {

// The open device, or the error every command gives without one.
MediaDevice& OpenDevice(const std::unique_ptr<MediaDevice>& device) {
  if (!device || !device->IsOpen()) throw MediaDeviceError(kNoDeviceOpen);
  return *device;
}

// Song captions longer than this are cut to 39 characters and "...".
constexpr size_t MaxCaptionChars = 45;
constexpr size_t CutCaptionChars = 39;
// The caption font is 8 points, drawn at the 96 dpi the window is laid out
// for: 11 pixels.
constexpr int CaptionFontPixels = 11;

} // namespace

// ---- the media device's commands ----

void TFrmMainVelmaris::PlayerPlay() {
  MediaDevice& d = OpenDevice(MPlayer);
  // A song that has played to its end starts again from the beginning.
  if (d.Position() >= d.Length()) d.Rewind();
  d.Play();
}

void TFrmMainVelmaris::PlayerPause() {
  MediaDevice& d = OpenDevice(MPlayer);
  switch (d.Mode()) {
    case TMPModes::mpPlaying:
      d.Pause();
      break;
    case TMPModes::mpPaused:
      try {
        d.Resume();
      } catch (const MediaDeviceError&) {
        PlayerPlay();
      }
      break;
    default:
      break;
  }
}

void TFrmMainVelmaris::PlayerStop() { OpenDevice(MPlayer).Stop(); }

void TFrmMainVelmaris::PlayerSetPosition(int64_t ms) { OpenDevice(MPlayer).SetPosition(ms); }

// With no song open there is nothing to ask: the device counts as not ready,
// at position 0. Neither query ever raises, so start-up, close and the
// playlist's "is something playing" test need no guard of their own.
TMPModes TFrmMainVelmaris::PlayerMode() const {
  if (!MPlayer || !MPlayer->IsOpen()) return TMPModes::mpNotReady;
  try {
    return MPlayer->Mode();
  } catch (const MediaDeviceError&) {
    return TMPModes::mpNotReady;
  }
}

int64_t TFrmMainVelmaris::PlayerPosition() const {
  if (!MPlayer || !MPlayer->IsOpen()) return 0;
  try {
    return MPlayer->Position();
  } catch (const MediaDeviceError&) {
    return 0;
  }
}

// ---- loading and playing lines ----

void TFrmMainVelmaris::LoadSong(const std::string& path) {
  // Opening closes the previous song first; a failure ends the whole command
  // here, before anything on the window changes.
  if (!MPlayer) throw MediaDeviceError(kNoDeviceOpen);
  MPlayer->Open(path);

  std::string caption = " " + EntryDisplayText(VelmarisOptions.PlayListMode, path);
  TrayHint = QString::fromStdString(caption);
  if (TrayIcon) TrayIcon->setToolTip(TrayHint);

  QFont font = FileText->font();
  if (Utf8Text::Length(caption) <= MaxCaptionChars) {
    font.setFamily(QStringLiteral("Tahoma"));
    font.setFixedPitch(false);
  } else {
    caption = Utf8Text::Mid(caption, 0, CutCaptionChars) + "...";
  }
  font.setPixelSize(CaptionFontPixels);
  FileText->setFont(font);
  FileText->setText(QString::fromStdString(caption));

  ShowTotalTime();
  if (!MP3Timer->isActive()) MP3Timer->start();
  VelmarisOptions.LastSoundFile = path;
}

void TFrmMainVelmaris::PlayListDblClick() {
  const int i = PlayList->ItemIndex();
  if (i < 0 || i >= PlayListModel->Count()) return;  // no current line: nothing to play
  const std::string path = PlayListModel->Path(i);
  if (!Paths::FileExists(path)) {
    Dialogs().MessageBox(this, "Error: File does not exist", path + " does not exist.", TMsgIcon::Error);
    return;
  }
  LoadSong(path);
  PlayerPlay();
}

void TFrmMainVelmaris::PlayCurrentEntry() { PlayListDblClick(); }

namespace {

void MakeCurrent(TPlayListBox* list, int i) {
  list->SetItemIndex(i);
  if (i >= 0) list->scrollTo(list->model()->index(i, 0));
}

} // namespace

bool TFrmMainVelmaris::SelectNextEntry() {
  const int count = PlayListModel->Count();
  if (count == 0) return false;
  int i = PlayList->ItemIndex() + 1;
  if (i < 0 || i > count - 1) i = 0;
  MakeCurrent(PlayList, i);
  return true;
}

bool TFrmMainVelmaris::SelectPreviousEntry() {
  const int count = PlayListModel->Count();
  if (count == 0) return false;
  const int i = PlayList->ItemIndex() - 1;
  MakeCurrent(PlayList, i >= 0 && i <= count - 1 ? i : count - 1);
  return true;
}

// A random line other than the current one. A list whose only line is
// already current has no other line: the result is false, as for an empty
// list, so shuffle ends there instead of replaying that line for ever.
bool TFrmMainVelmaris::SelectRandomEntry() {
  const int count = PlayListModel->Count();
  if (count == 0) return false;
  const int c = PlayList->ItemIndex();
  const bool currentValid = c >= 0 && c < count;
  if (currentValid && count == 1) return false;
  // One draw among the other lines: the same choice as drawing until the
  // line differs, without the loop.
  const int others = currentValid ? count - 1 : count;
  int i = std::uniform_int_distribution<int>(0, others - 1)(Random);
  if (currentValid && i >= c) ++i;
  MakeCurrent(PlayList, i);
  return true;
}

// ---- seeking ----

bool TFrmMainVelmaris::SeekTo(int32_t t) {
  if (t < 0 || t >= LengthSeconds) return false;
  PlayerPause();
  PlayerSetPosition(static_cast<int64_t>(static_cast<double>(t) * 1000.0));
  if (!PlayButton->isEnabled()) PlayerPlay();
  PositionSeconds = t;
  const float q = static_cast<float>(static_cast<double>(t) / static_cast<double>(LengthSeconds));
  const int width = static_cast<int>(std::trunc(static_cast<double>(ProgressPanel->width()) * q));
  ProgressPanelBar->resize(width < 0 ? 0 : width, ProgressPanelBar->height());
  return true;
}

void TFrmMainVelmaris::RewButtonClick() { SeekTo(PositionSeconds - 10); }

void TFrmMainVelmaris::FFButtonClick() { SeekTo(PositionSeconds + 10); }

// ---- transport buttons ----

void TFrmMainVelmaris::ShowTransportButton(TSpeedButton* button, bool flag) {
  button->setVisible(flag);
  button->setEnabled(flag);
}

void TFrmMainVelmaris::UpdateTransportButtons() {
  switch (PlayerMode()) {
    case TMPModes::mpStopped:
    case TMPModes::mpPaused:
      ShowTransportButton(PlayButton, true);
      StopButton->setEnabled(false);
      ShowTransportButton(PauseButton, false);
      break;
    case TMPModes::mpPlaying:
      ShowTransportButton(PlayButton, false);
      StopButton->setEnabled(true);
      ShowTransportButton(PauseButton, true);
      break;
    default:
      break;
  }
  RewButton->setEnabled(LengthSeconds > 0);
  FFButton->setEnabled(LengthSeconds > 0);
}

void TFrmMainVelmaris::PlayButtonClick() {
  if (!MP3Timer->isActive()) MP3Timer->start();
  PlayerPlay();
}

void TFrmMainVelmaris::PauseButtonClick() { PlayerPause(); }

void TFrmMainVelmaris::StopButtonClick() {
  StopButton->setEnabled(false);
  PlayerStop();
  OpenDevice(MPlayer).Rewind();
}

void TFrmMainVelmaris::NextButtonClick() {
  if (SelectNextEntry()) PlayCurrentEntry();
}

void TFrmMainVelmaris::PreviousButtonClick() {
  if (SelectPreviousEntry()) PlayCurrentEntry();
}

void TFrmMainVelmaris::OpenButtonClick() {
  // Third filter: MP3 and .vpls files.
  const std::vector<std::string> files = Dialogs().OpenFiles(this, "Load mp3s", OpenFilter, 3, true);
  if (files.empty()) return;
  if (files.size() == 1) {
    OpenPath(files.front(), false, true);
    MakeCurrent(PlayList, PlayListModel->Count() - 1);
    return;
  }
  for (const std::string& file : files) OpenPath(file, true, false);
  PlayButtonClick();
}

void TFrmMainVelmaris::MPlayerNotify() { MP3TimerTimer(); }

// The transport and volume controls: each handler forwards to the player
// engine; the Show... slots paint what the engine publishes.
#include "app/FrmMainVelmaris.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QSystemTrayIcon>

#include "app/widgets/PlayListBox.h"
#include "app/widgets/SpeedButton.h"
#include "platform/UserDialogs.h"
#include "playback/PlaybackEngine.h"
#include "playback/PlayerTexts.h"

namespace {

// The caption font is 8 points, drawn at the 96 dpi the window is laid out
// for: 11 pixels.
constexpr int CaptionFontPixels = 11;
// The bar moves inside the panel's sunken edge.
constexpr int ProgressBarInset = 3;

void ShowButton(TSpeedButton* button, bool visible, bool enabled) {
  button->setVisible(visible);
  button->setEnabled(enabled);
}

} // namespace

void TFrmMainVelmaris::ConnectEngine() {
  PlaybackEngine* e = Engine_.get();
  connect(e, &PlaybackEngine::SongLoaded, this, [this] {
    QFont font = FileText->font();
    if (!Engine_->CaptionCut()) {
      font.setFamily(QStringLiteral("Tahoma"));
      font.setFixedPitch(false);
    }
    font.setPixelSize(CaptionFontPixels);
    FileText->setFont(font);
    FileText->setText(QString::fromStdString(Engine_->Caption()));
    Guarded([this] { LengthText->setText(QString::fromStdString(Engine_->LengthText())); });
  });
  connect(e, &PlaybackEngine::Ticked, this, [this] { Guarded([this] { ShowPlayerState(); }); });
  connect(e, &PlaybackEngine::ButtonsChanged, this, [this] {
    const PlaybackEngine::TransportButtons& b = Engine_->Buttons();
    ShowButton(PlayButton, b.PlayVisible, b.PlayEnabled);
    ShowButton(PauseButton, b.PauseVisible, b.PauseEnabled);
    StopButton->setEnabled(b.StopEnabled);
    RewButton->setEnabled(b.SeekEnabled);
    FFButton->setEnabled(b.SeekEnabled);
  });
  connect(e, &PlaybackEngine::Seeked, this, [this] {
    const int width = PlayerTexts::ProgressWidth(Engine_->PositionSeconds(), Engine_->LengthSeconds(),
                                                 ProgressPanel->width());
    ProgressPanelBar->resize(width, ProgressPanelBar->height());
  });
  connect(e, &PlaybackEngine::TrayHintChanged, this, [this] {
    TrayHint = QString::fromStdString(Engine_->TrayHint());
    if (TrayIcon) TrayIcon->setToolTip(TrayHint);
  });
  connect(e, &PlaybackEngine::VolumeChanged, this, [this] {
    btnVolume->SetCaption(QString::number(Engine_->VolumePercent()) + QLatin1Char('%'));
  });
  connect(e, &PlaybackEngine::ModesChanged, this, [this] {
    ShuffleButton->SetDown(Engine_->Shuffle());
    RepeatButton->SetDown(Engine_->Repeat());
  });
  connect(e, &PlaybackEngine::MessageRequested, this,
          [this](const std::string& caption, const std::string& text, int icon) {
            ShowMessage(caption, text, static_cast<TMsgIcon>(icon));
          });
  connect(e, &PlaybackEngine::ErrorRaised, this, [this](const std::string& text) { ShowApplicationError(text); });
}

// ---- showing the engine ----

void TFrmMainVelmaris::ShowPlayerState() {
  PlaybackEngine& e = *Engine_;
  if (e.LengthSeconds() > 0) {
    const int width =
        PlayerTexts::ProgressWidth(e.PositionSeconds(), e.LengthSeconds(), ProgressPanel->width() - ProgressBarInset);
    ProgressPanelBar->resize(width, ProgressPanelBar->height());
  }
  PositionText->setText(QString::fromStdString(e.PositionText()));
  if (!PlayerTexts::BlankText(VelmarisOptions.DispTask))
    SetApplicationTitle(PlayerTexts::TitlePrefix + e.ExpandDisplayFormat(VelmarisOptions.DispTask));
  const std::string& format = GetFoldMode() == 0 ? VelmarisOptions.DispMini : VelmarisOptions.DispNormal;
  if (!PlayerTexts::BlankText(format) && !NoticeShown())
    CaptionLabel->setText(QString::fromStdString(PlayerTexts::TitlePrefix + e.ExpandDisplayFormat(format)));
  QuickFindIdleStep();
}

// ---- transport handlers ----

void TFrmMainVelmaris::PlayListDblClick() { Engine_->PlayCurrentEntry(); }
void TFrmMainVelmaris::PlayButtonClick() { Engine_->Play(); }
void TFrmMainVelmaris::PauseButtonClick() { Engine_->Pause(); }
void TFrmMainVelmaris::StopButtonClick() { Engine_->Stop(); }
void TFrmMainVelmaris::RewButtonClick() { Engine_->SkipBack(); }
void TFrmMainVelmaris::FFButtonClick() { Engine_->SkipForward(); }
void TFrmMainVelmaris::PreviousButtonClick() { Engine_->Previous(); }
void TFrmMainVelmaris::NextButtonClick() { Engine_->Next(); }
void TFrmMainVelmaris::MP3TimerTimer() { Engine_->Tick(); }

void TFrmMainVelmaris::OpenButtonClick() {
  // Third filter: MP3 and .vpls files (also with the other formats on).
  const std::string filter =
      VelmarisOptions.PlayAllFormats ? OpenFilter + "|" + AudioFilesFilter : OpenFilter;
  const std::vector<std::string> files = Dialogs().OpenFiles(this, "Load mp3s", filter, 3, true);
  if (files.empty()) return;
  if (files.size() == 1) {
    Engine_->OpenPath(files.front(), false, true);
    List().MakeCurrent(List().Count() - 1);
    return;
  }
  for (const std::string& file : files) Engine_->OpenPath(file, true, false);
  PlayButtonClick();
}

void TFrmMainVelmaris::ShuffleButtonMouseDown(Qt::MouseButton button) {
  // The left button toggles the button itself; the right one plays a random
  // other line without toggling.
  if (button == Qt::RightButton) Engine_->PlayRandom();
}

void TFrmMainVelmaris::PlayModeButtonClick() {
  // The two buttons are one group: the one that went down is the mode.
  if (ShuffleButton->Down()) Engine_->SetShuffle(true);
  else if (RepeatButton->Down()) Engine_->SetRepeat(true);
  else {
    Engine_->SetShuffle(false);
    Engine_->SetRepeat(false);
  }
}

void TFrmMainVelmaris::ProgressPanelMouseDown(QWidget*, int x) { Engine_->SeekAt(x, ProgressPanel->width()); }

// ---- volume ----

void TFrmMainVelmaris::btnVolumeMouseDown(Qt::MouseButton, Qt::MouseButtons buttons, int x) {
  if (buttons & Qt::RightButton) Engine_->VolumeRightClick();
  else if (buttons & Qt::LeftButton) Engine_->VolumeDragStart(x);
}

void TFrmMainVelmaris::btnVolumeMouseMove(Qt::MouseButtons buttons, int x) {
  if (buttons & Qt::LeftButton) Engine_->VolumeDragMove(x);
}

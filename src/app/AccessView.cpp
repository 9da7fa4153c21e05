// The window for the keyboard and for assistive technology: the controls'
// names, the sliders' values and actions, the announcements of what changes,
// and the keyboard's walk through the controls. Every action forwards to the
// same handler the mouse uses.
#include "app/FrmMainVelmaris.h"

#include <QAccessible>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include "app/SkinKeyboard.h"
#include "app/widgets/AccessibleControl.h"
#include "app/widgets/PlayListBox.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "playback/PlaybackEngine.h"
#include "playback/PlayerTexts.h"
#include "playback/VolumeSteps.h"

namespace {

// A right click on the volume raises it by this many percent; Page Up and
// Page Down take the same step.
constexpr int VolumePageStepPercent = 15;
// One pixel of a volume drag is one percent: the arrow keys' step.
constexpr int VolumeStepPercent = 1;
constexpr int VolumeMaximumPercent = 100;
// A quarter percent: far enough below a percent to show it, near enough to
// be stored as it.
constexpr float VolumeLevelBelowPercent = 0.0025f;

QString Time(int32_t seconds) { return QString::fromStdString(PlayerTexts::TimeText(seconds)); }

} // namespace

void TFrmMainVelmaris::ConnectAccessibility() {
  btnVolume->setAccessibleName(QStringLiteral("Volume"));
  btnVolume->setAccessibleDescription(btnVolume->toolTip());
  ProgressPanel->setAccessibleName(QStringLiteral("Position"));
  ProgressPanel->setAccessibleDescription(QStringLiteral("Song position (click to jump)"));
  SysIconImage->setAccessibleName(QStringLiteral("Options"));
  PlayList->setAccessibleName(QStringLiteral("Playlist"));
  QuickFindEdit->setAccessibleName(QStringLiteral("Quick find"));

  auto* volume = new AccessibleControl(btnVolume);
  volume->Slider.Value = [this] { return Engine_->VolumePercent(); };
  volume->Slider.Maximum = [] { return VolumeMaximumPercent; };
  volume->Slider.Text = [this] { return btnVolume->Caption(); };
  volume->Slider.SetValue = [this](int percent) { Guarded([this, percent] { btnVolumeSetPercent(percent); }); };
  volume->Slider.Step = VolumeStepPercent;
  volume->Slider.PageStep = VolumePageStepPercent;
  volume->Actions.push_back({QStringLiteral("Raise by a step"),
                             QStringLiteral("As a right click: 15 percent up, after the top back to silence"),
                             [this] { Guarded([this] { btnVolumeMouseDown(Qt::RightButton, Qt::RightButton, 0); }); }});

  auto* progress = new AccessibleControl(ProgressPanel);
  progress->Slider.Value = [this] { return Engine_->PositionSeconds(); };
  progress->Slider.Maximum = [this] { return Engine_->LengthSeconds(); };
  progress->Slider.Text = [this] {
    return Time(Engine_->PositionSeconds()) + QStringLiteral(" of ") + Time(Engine_->LengthSeconds());
  };
  progress->Slider.SetValue = [this](int seconds) { Guarded([this, seconds] { ProgressPanelSeek(seconds); }); };
  progress->Slider.Step = PlaybackEngine::SkipSeconds;  // as the rewind and fast forward buttons
  progress->Slider.PageStep = PlaybackEngine::SkipSeconds;

  auto* options = new AccessibleControl(SysIconImage);
  options->Press = [this] { Options1Click(); };

  auto* shuffle = new AccessibleControl(ShuffleButton);
  shuffle->Actions.push_back({QStringLiteral("Play a random song"), QStringLiteral("As a right click"),
                              [this] { Guarded([this] { ShuffleButtonMouseDown(Qt::RightButton); }); }});

  // The window's surface: a double click on the caption folds, a right
  // click opens the menu (the Menu key too, see SkinKeyboard).
  auto* surface = new AccessibleControl(this);
  surface->Actions.push_back({QStringLiteral("Fold"), QStringLiteral("As a double click on the caption"),
                              [this] { Guarded([this] { CaptionPanelDblClick(); }); }});
  surface->Actions.push_back({QStringLiteral("Show menu"), QStringLiteral("As a right click on the skin"),
                              [this] { ShowWindowMenu(); }});

  ConnectAnnouncements();

  // Reading order: the caption row, the song's texts and transport, then
  // the playlist panel from its list down.
  Keyboard = new SkinKeyboard(this,
                              {SysIconImage, MakeTransButton, MinimizeButton, CloseButton, OpenButton, RewButton,
                               ProgressPanel, FFButton, btnVolume, PreviousButton, PlayButton, PauseButton,
                               StopButton, NextButton, ShuffleButton, RepeatButton, OpenPLButton, PlayList, btnMoveUp,
                               btnMoveDown, ButtonRemove, ButtonAddDirectory, QuickFindEdit, ButtonNew, ButtonSave},
                              [this](const std::function<void()>& step) { Guarded(step); },
                              [this] { ShowWindowMenu(); });
}

void TFrmMainVelmaris::ShowWindowMenu() {
  // At the focused control, or at the caption when none has the focus.
  const QWidget* at = focusWidget() ? focusWidget() : CaptionLabel;
  PopupMenu1->popup(at->mapToGlobal(QPoint(0, at->height())));
}

void TFrmMainVelmaris::ConnectAnnouncements() {
  // The song's texts are labels: Qt announces their new text itself. The
  // window is named by its caption, the sliders report their new values.
  PlaybackEngine* e = Engine_.get();
  CaptionLabel->setObjectName(QStringLiteral("CaptionLabel"));  // the window's name (SkinAccessible.cpp)
  const auto captionChanged = [this] {
    if (CaptionLabel->text() == AnnouncedCaption) return;
    AnnouncedCaption = CaptionLabel->text();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  };
  captionChanged();
  connect(e, &PlaybackEngine::SongLoaded, this, captionChanged);
  connect(e, &PlaybackEngine::Ticked, this, captionChanged);
  connect(e, &PlaybackEngine::VolumeChanged, this, [this] {
    QAccessibleValueChangeEvent event(btnVolume, Engine_->VolumePercent());
    QAccessible::updateAccessibility(&event);
  });
  const auto positionChanged = [this] {
    if (Engine_->PositionSeconds() == AnnouncedPosition) return;
    AnnouncedPosition = Engine_->PositionSeconds();
    QAccessibleValueChangeEvent event(ProgressPanel, AnnouncedPosition);
    QAccessible::updateAccessibility(&event);
  };
  connect(e, &PlaybackEngine::Ticked, this, positionChanged);
  connect(e, &PlaybackEngine::Seeked, this, positionChanged);
}

bool TFrmMainVelmaris::KeyboardInUse() const { return Keyboard && Keyboard->KeyboardInUse(); }

QWidget* TFrmMainVelmaris::FocusMarkedControl() const { return Keyboard ? Keyboard->MarkedControl() : nullptr; }

// ---- the sliders' handlers ----

void TFrmMainVelmaris::btnVolumeSetPercent(int percent) {
  // The control shows the level rounded up to a whole percent, and the float
  // nearest a percent may lie just above it: a level a little below the
  // percent shows (and is stored as) that percent.
  const float level = percent <= 0 ? 0.0f : VolumeSteps::LevelOfPercent(percent) - VolumeLevelBelowPercent;
  Engine_->SetVolumeLevel(level);
}

void TFrmMainVelmaris::ProgressPanelSeek(int seconds) { Engine_->SeekTo(seconds); }

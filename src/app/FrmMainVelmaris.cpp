// The main window: its controls at their places, start-up, close and dropped
// files. The other subsystems add their handlers in their own files.
#include "app/FrmMainVelmaris.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>

#include <ctime>
#include <iostream>
#include <exception>
#include <sys/stat.h>

#include "app/QuickFindBox.h"
#include "app/SkinAccessible.h"
#include "app/Tray.h"
#include "app/WindowMover.h"
#include "app/widgets/Colors.h"
#include "app/widgets/PlayListBox.h"
#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "app/widgets/VirtualKeys.h"
#include "platform/Paths.h"
#include "platform/UserDialogs.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PathRules.h"
#include "text/Utf8Text.h"

const std::string TFrmMainVelmaris::MP3Filter = "MP3s (*.mp3)|*.mp3";
const std::string TFrmMainVelmaris::PlayListFilter =
    "Extended Playlists (*.vpls)(*.b4s)(*.m3u)(*.m3u8)(*.pls)|*.vpls;*.b4s;*.m3u;*.m3u8;*.pls|"
    "Velmaris Files (*.mp3)(*.vpls)|*.mp3;*.vpls|All Files (*.*)|*.*";
const std::string TFrmMainVelmaris::OpenFilter = TFrmMainVelmaris::MP3Filter + "|" + TFrmMainVelmaris::PlayListFilter;
const std::string TFrmMainVelmaris::AudioFilesFilter =
    "Audio files (*.flac)(*.ogg)(*.oga)(*.opus)(*.wav)|*.flac;*.ogg;*.oga;*.opus;*.wav";

namespace {

// A notice longer than this is cut in its middle (a path may be any length).
constexpr size_t kMaxNoticeChars = 160;

std::string SettingsFile(const TFrmMainVelmaris::Services& s) { return s.DataDir + "VelmarisOpts.ini"; }

QFont PixelFont(const char* family, int pixels, bool bold = false) {
  QFont f(QString::fromLatin1(family));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

// A sunken static text as the text boxes of the main window use.
QLabel* MakeStaticText(QWidget* parent, QRect r, const char* hint) {
  auto* t = new QLabel(parent);
  t->setGeometry(r);
  t->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  t->setLineWidth(1);
  t->setToolTip(QString::fromUtf8(hint));
  t->setFont(PixelFont("Tahoma", 11));
  t->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  t->setTextFormat(Qt::PlainText);
  return t;
}

TSpeedButton* MakeButton(QWidget* parent, QRect r, const char* hint, const char* caption = "") {
  auto* b = new TSpeedButton(parent);
  b->setGeometry(r);
  b->setToolTip(QString::fromUtf8(hint));
  b->SetCaption(QString::fromUtf8(caption));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

} // namespace

TFrmMainVelmaris::TFrmMainVelmaris(Services services, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Services_(std::make_unique<Services>(std::move(services))),
      Engine_(std::make_unique<PlaybackEngine>(std::move(Services_->Device), Services_->Volume)),
      VelmarisOptions(Engine_->Options()) {
  InstallSkinAccessibility();  // before any control is asked how it looks to a screen reader
  setObjectName(QStringLiteral("FrmMainVelmaris"));
  setWindowTitle(QStringLiteral("Velmaris"));
  ApplicationTitleText = QStringLiteral("Velmaris");
  setFont(PixelFont("MS Sans Serif", 11));
  // Designed position and laid-out size; start-up replaces both.
  setGeometry(533, 418, 261, 231);
  CreateControls();
  CreateMenus();
  Mover = new WindowMover(this, Services_->WorkArea);
  ConnectHandlers();
  ConnectEngine();
  ConnectAccessibility();
  ApplyBuiltInLook();
}

TFrmMainVelmaris::~TFrmMainVelmaris() { Engine_->StopTimer(); }

::PlayList& TFrmMainVelmaris::List() const { return Engine_->List(); }

void TFrmMainVelmaris::CreateControls() {
  MainImage = new TSkinImage(this);
  MainImage->setGeometry(0, 0, 261, 115);
  MainImage->setToolTip(QStringLiteral("Skin: Default"));

  CaptionLabel = new QLabel(QStringLiteral("Velmaris"), this);
  CaptionLabel->move(26, 4);
  CaptionLabel->setFont(PixelFont("Tahoma", 11, true));
  CaptionLabel->setAttribute(Qt::WA_TranslucentBackground);
  CaptionLabel->setTextFormat(Qt::PlainText);
  CaptionLabel->resize(165, 14);

  SysIconImage = new TSkinImage(this);
  SysIconImage->setGeometry(5, 2, 16, 16);
  SysIconImage->Stretch = true;
  SysIconImage->setToolTip(QStringLiteral("Click for Options"));
  SysIconImage->SetPicture(QImage(QStringLiteral(":/velmaris/icon.png")));

  MakeTransButton = MakeButton(this, {194, 3, 20, 16}, "Make Transparent");
  MinimizeButton = MakeButton(this, {214, 3, 20, 16}, "Minimize");
  CloseButton = MakeButton(this, {234, 3, 19, 16}, "Close");
  OpenButton = MakeButton(this, {230, 24, 19, 16}, "Load mp3s");

  FileText = MakeStaticText(this, {8, 28, 219, 22}, "Filename");
  PositionText = MakeStaticText(this, {8, 51, 109, 20}, "Current position");
  LengthText = MakeStaticText(this, {119, 51, 108, 20}, "Total length");

  RewButton = MakeButton(this, {7, 72, 16, 13}, "Rewind 10 seconds", "<");
  RewButton->setEnabled(false);
  ProgressPanel = new QFrame(this);
  ProgressPanel->setGeometry(26, 72, 183, 13);
  ProgressPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ProgressPanelBar = new QFrame(ProgressPanel);
  ProgressPanelBar->setGeometry(2, 2, 0, 9);
  FFButton = MakeButton(this, {212, 72, 16, 13}, "Fast forward 10 seconds", ">");
  FFButton->setEnabled(false);

  btnVolume = MakeButton(this, {28, 87, 44, 15}, "Volume (click and drag or right click)", "50%");
  PreviousButton = MakeButton(this, {77, 87, 15, 15}, "Previous song");
  PlayButton = MakeButton(this, {100, 87, 15, 15}, "Play", "\u25B6");
  PauseButton = MakeButton(this, {100, 87, 15, 15}, "Pause", "\u2759\u2759");
  StopButton = MakeButton(this, {119, 87, 15, 14}, "Stop", "\u25A0");
  for (TSpeedButton* b : {PlayButton, PauseButton, StopButton}) {
    b->setEnabled(false);
    b->setFont(PixelFont("DejaVu Sans", 9));
  }
  PauseButton->setFont(PixelFont("DejaVu Sans", 7));
  PauseButton->hide();
  NextButton = MakeButton(this, {143, 87, 15, 15}, "Next song");
  ShuffleButton = MakeButton(this, {171, 87, 15, 15}, "Shuffle On/Off");
  RepeatButton = MakeButton(this, {187, 87, 15, 15}, "Repeat Song");
  for (TSpeedButton* b : {ShuffleButton, RepeatButton}) {
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);
  }
  OpenPLButton = MakeButton(this, {230, 89, 19, 16}, "Show/Hide Playlist");

  // The playlist panel, aligned to the bottom of the window.
  PlayListPanel = new QFrame(this);
  PlayListPanel->setGeometry(0, 113, 261, 118);
  PlayListPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  PlayListPanel->hide();

  PlayList = new TPlayListBox(PlayListPanel);
  PlayList->SetPlayList(&List());
  PlayList->setGeometry(1, 1, 259, 88);
  PlayList->setFont(PixelFont("Tahoma", 11));
  PlayList->setToolTip(QStringLiteral("Drag-and-drop files here"));

  QuickFindEdit = new QLineEdit(PlayListPanel);
  QuickFindEdit->setGeometry(76, 92, 95, 21);
  QuickFindEdit->setFrame(false);
  QuickFindEdit->setFont(PixelFont("Tahoma", 11));
  QuickFindEdit->hide();

  PlayListLabel = new QLabel(PlayListPanel);
  PlayListLabel->setAlignment(Qt::AlignCenter);
  PlayListLabel->hide();

  btnMoveUp = MakeButton(PlayListPanel, {3, 91, 13, 12}, "Move Up", "\u25B4");
  btnMoveUp->Tag = 0;
  btnMoveDown = MakeButton(PlayListPanel, {3, 104, 13, 12}, "Move Down", "\u25BE");
  btnMoveDown->Tag = 1;
  ButtonRemove = MakeButton(PlayListPanel, {22, 92, 23, 22}, "Remove file from playlist", "\u2212");
  ButtonAddDirectory = MakeButton(PlayListPanel, {46, 92, 23, 22}, "Add directory to playlist", "+");
  ButtonNew = MakeButton(PlayListPanel, {206, 92, 23, 22}, "New Playlist", "\u2205");
  ButtonSave = MakeButton(PlayListPanel, {230, 92, 23, 22}, "Save Playlist As...", "\u2193");

  TrayIcon = new QSystemTrayIcon(this);
  TrayIcon->setIcon(QIcon(QStringLiteral(":/velmaris/icon.png")));
  TrayIcon->hide();
}

void TFrmMainVelmaris::CreateMenus() {
  PopupMenu1 = new QMenu(this);
  Options1 = PopupMenu1->addAction(QStringLiteral("Options"));
  PopupMenu1->addSeparator();  // N1
  OpenSong1 = PopupMenu1->addAction(QStringLiteral("Load mp3s"));
  NowPlaying1 = PopupMenu1->addMenu(QStringLiteral("Now Playing"));
  Play1 = NowPlaying1->addAction(QStringLiteral("Play"));
  Pause1 = NowPlaying1->addAction(QStringLiteral("Pause"));
  Stop1 = NowPlaying1->addAction(QStringLiteral("Stop"));
  NowPlaying1->addSeparator();  // N2
  Nextsong1 = NowPlaying1->addAction(QStringLiteral("Next song"));
  Previoussong1 = NowPlaying1->addAction(QStringLiteral("Previous song"));
  PopupMenu1->addSeparator();  // N4
  Exit1 = PopupMenu1->addAction(QStringLiteral("Exit"));

  PopupPlaylist = new QMenu(this);
  Openfolderofselectedfile1 = PopupPlaylist->addAction(QStringLiteral("Open folder of selected file"));
  PopupPlaylist->addSeparator();
  Adddirectorytoplaylist1 = PopupPlaylist->addAction(QStringLiteral("Add directory to playlist"));
  Savecurrentplaylist1 = PopupPlaylist->addAction(QStringLiteral("Save current playlist"));
  PopupPlaylist->addSeparator();
  SortByName1 = PopupPlaylist->addAction(QStringLiteral("Sort alphabetically"));
  Invertselection1 = PopupPlaylist->addAction(QStringLiteral("Invert selection"));
  PopupPlaylist->addSeparator();
  Removeselected1 = PopupPlaylist->addAction(QStringLiteral("Remove selected"));
  Removeselected1->setShortcut(QKeySequence(Qt::Key_Delete));
  // The list handles Delete itself; the shortcut is shown, not bound, so one
  // key press removes once.
  Removeselected1->setShortcutContext(Qt::WidgetShortcut);
  Removeselected1->setEnabled(false);
  Removenonexistentfiles1 = PopupPlaylist->addAction(QStringLiteral("Remove non-existent files"));
  mniRemoveDuplicates = PopupPlaylist->addAction(QStringLiteral("Remove duplicate files"));
  PopupPlaylist->addSeparator();
  ViewFileInfoID3TagInfo = PopupPlaylist->addAction(QStringLiteral("View File Info (ID3 Tag)"));
  ViewFileInfoID3TagInfo->setEnabled(false);

  TrayIcon->setContextMenu(PopupMenu1);
}

void TFrmMainVelmaris::ConnectHandlers() {
  // Every handler runs guarded: an error that leaves it is shown and the
  // program goes on.
  auto on = [this](auto* sender, auto signal, auto handler) {
    connect(sender, signal, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
  };
  on(MakeTransButton, &TSpeedButton::Click, &TFrmMainVelmaris::MakeTransButtonClick);
  on(MinimizeButton, &TSpeedButton::Click, &TFrmMainVelmaris::MinimizeButtonClick);
  on(CloseButton, &TSpeedButton::Click, &TFrmMainVelmaris::CloseButtonClick);
  on(OpenButton, &TSpeedButton::Click, &TFrmMainVelmaris::OpenButtonClick);
  on(RewButton, &TSpeedButton::Click, &TFrmMainVelmaris::RewButtonClick);
  on(FFButton, &TSpeedButton::Click, &TFrmMainVelmaris::FFButtonClick);
  on(PreviousButton, &TSpeedButton::Click, &TFrmMainVelmaris::PreviousButtonClick);
  on(PlayButton, &TSpeedButton::Click, &TFrmMainVelmaris::PlayButtonClick);
  on(PauseButton, &TSpeedButton::Click, &TFrmMainVelmaris::PauseButtonClick);
  on(StopButton, &TSpeedButton::Click, &TFrmMainVelmaris::StopButtonClick);
  on(NextButton, &TSpeedButton::Click, &TFrmMainVelmaris::NextButtonClick);
  on(ShuffleButton, &TSpeedButton::Click, &TFrmMainVelmaris::PlayModeButtonClick);
  on(RepeatButton, &TSpeedButton::Click, &TFrmMainVelmaris::PlayModeButtonClick);
  on(OpenPLButton, &TSpeedButton::Click, &TFrmMainVelmaris::OpenPLButtonClick);
  on(ButtonRemove, &TSpeedButton::Click, &TFrmMainVelmaris::ButtonRemoveClick);
  on(ButtonAddDirectory, &TSpeedButton::Click, &TFrmMainVelmaris::Adddirectorytoplaylist1Click);
  on(ButtonNew, &TSpeedButton::Click, &TFrmMainVelmaris::ButtonNewClick);
  on(ButtonSave, &TSpeedButton::Click, &TFrmMainVelmaris::ButtonSaveClick);
  for (TSpeedButton* b : {btnMoveUp, btnMoveDown})
    connect(b, &TSpeedButton::Click, this, [this, b] { Guarded([this, b] { btnMoveUpDownClick(b); }); });

  connect(ShuffleButton, &TSpeedButton::MouseDown, this,
          [this](Qt::MouseButton button, Qt::MouseButtons, Qt::KeyboardModifiers, int, int) {
            Guarded([this, button] { ShuffleButtonMouseDown(button); });
          });
  connect(btnVolume, &TSpeedButton::MouseDown, this,
          [this](Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int) {
            Guarded([this, button, buttons, x] { btnVolumeMouseDown(button, buttons, x); });
          });
  connect(btnVolume, &TSpeedButton::MouseMove, this,
          [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers, int x, int) {
            Guarded([this, buttons, x] { btnVolumeMouseMove(buttons, x); });
          });

  on(Options1, &QAction::triggered, &TFrmMainVelmaris::Options1Click);
  on(OpenSong1, &QAction::triggered, &TFrmMainVelmaris::OpenButtonClick);
  on(Play1, &QAction::triggered, &TFrmMainVelmaris::PlayButtonClick);
  on(Pause1, &QAction::triggered, &TFrmMainVelmaris::PauseButtonClick);
  on(Stop1, &QAction::triggered, &TFrmMainVelmaris::StopButtonClick);
  on(Nextsong1, &QAction::triggered, &TFrmMainVelmaris::NextButtonClick);
  on(Previoussong1, &QAction::triggered, &TFrmMainVelmaris::PreviousButtonClick);
  on(Exit1, &QAction::triggered, &TFrmMainVelmaris::CloseButtonClick);
  on(PopupMenu1, &QMenu::aboutToShow, &TFrmMainVelmaris::PopupMenu1Popup);

  on(Openfolderofselectedfile1, &QAction::triggered, &TFrmMainVelmaris::Openfolderofselectedfile1Click);
  on(Adddirectorytoplaylist1, &QAction::triggered, &TFrmMainVelmaris::Adddirectorytoplaylist1Click);
  on(Savecurrentplaylist1, &QAction::triggered, &TFrmMainVelmaris::Savecurrentplaylist1Click);
  on(SortByName1, &QAction::triggered, &TFrmMainVelmaris::SortByName1Click);
  on(Invertselection1, &QAction::triggered, &TFrmMainVelmaris::Invertselection1Click);
  on(Removeselected1, &QAction::triggered, &TFrmMainVelmaris::ButtonRemoveClick);
  on(Removenonexistentfiles1, &QAction::triggered, &TFrmMainVelmaris::RemoveNonExistent);
  on(mniRemoveDuplicates, &QAction::triggered, &TFrmMainVelmaris::mniRemoveDuplicatesClick);
  on(ViewFileInfoID3TagInfo, &QAction::triggered, &TFrmMainVelmaris::ViewFileInfoID3TagInfoClick);

  connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
    if (r == QSystemTrayIcon::DoubleClick) Guarded([this] { TrayIconDblClick(); });
  });
  connect(PlayList, &TPlayListBox::MousePressed, this, [this](Qt::MouseButton button, QPoint global) {
    Guarded([this, button, global] { CaptionPanelMouseDown(PlayList, button, global); });
  });
  connect(PlayList, &TPlayListBox::DoubleClicked, this,
          [this] { Guarded([this] { PlayListDblClick(); }); });
  PlayList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(PlayList, &QWidget::customContextMenuRequested, this,
          [this](QPoint p) { PopupPlaylist->popup(PlayList->viewport()->mapToGlobal(p)); });

  // Mouse presses, double clicks and context menus of the passive surfaces.
  for (QWidget* w : std::initializer_list<QWidget*>{MainImage, CaptionLabel, SysIconImage, FileText, PositionText,
                                                    LengthText, PlayListPanel, ProgressPanel, ProgressPanelBar})
    w->installEventFilter(this);

  // The playlist's keys, pointer and label, and the quick-find box.
  connect(PlayList, &TPlayListBox::KeyDown, this, [this](int key) { Guarded([this, key] { PlayListKeyDown(key); }); });
  connect(PlayList, &TPlayListBox::KeyUp, this, [this](int key) { Guarded([this, key] { PlayListKeyUp(key); }); });
  connect(PlayList, &TPlayListBox::KeyChar, this,
          [this](const QString& ch) { Guarded([this, &ch] { PlayListKeyPress(ch); }); });
  connect(PlayList, &TPlayListBox::MouseMoved, this,
          [this](QPoint pos) { Guarded([this, pos] { PlayListMouseMove(pos); }); });
  connect(&List(), &::PlayList::LabelChanged, PlayListLabel, &QLabel::setText);
  connect(&List(), &::PlayList::LinesSkipped, this, [this](int count) {
    ShowMessage("Velmaris",
                std::to_string(count) + (count == 1 ? " file was" : " files were") +
                    " not added: a name that holds a line break cannot be kept in a playlist.",
                TMsgIcon::Warning);
  });
  QuickFind = new QuickFindBox(QuickFindEdit, PlayList, List(),
                               [this](const std::function<void()>& step) { Guarded(step); });
}

bool TFrmMainVelmaris::eventFilter(QObject* watched, QEvent* event) {
  auto* w = qobject_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint global = me->globalPosition().toPoint();
      if (w == ProgressPanel || w == ProgressPanelBar) {
        const int x = static_cast<int>(me->position().x());
        Guarded([this, w, x] { ProgressPanelMouseDown(w, x); });
        return true;
      }
      if (w == SysIconImage) {
        if (me->button() == Qt::LeftButton) Guarded([this] { Options1Click(); });
        return me->button() == Qt::LeftButton;
      }
      if (me->button() == Qt::RightButton && (w == MainImage || w == CaptionLabel)) return false;
      const Qt::MouseButton button = me->button();
      Guarded([this, w, button, global] { CaptionPanelMouseDown(w, button, global); });
      return true;
    }
    case QEvent::MouseButtonDblClick:
      if (w == MainImage || w == CaptionLabel) {
        Guarded([this] { CaptionPanelDblClick(); });
        return true;
      }
      break;
    case QEvent::ContextMenu:
      if (w == MainImage || w == CaptionLabel || w == SysIconImage) {
        PopupMenu1->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
      }
      break;
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

void TFrmMainVelmaris::Guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowApplicationError(e.what());
  } catch (...) {
    ShowApplicationError("Unknown error");
  }
}

void TFrmMainVelmaris::ShowApplicationError(const std::string& text) {
  if (RemoteDepth > 0 || Closing) ShowNotice(text);
  else if (Services_->Dialogs) Services_->Dialogs->ShowError(this, text);
}

void TFrmMainVelmaris::ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) {
  if (RemoteDepth > 0 || Closing) {
    ShowNotice(text);
    return;
  }
  // Also on stderr, for the terminal and the log.
  std::cerr << "velmaris: " << text << '\n';
  if (Services_->Dialogs) Services_->Dialogs->MessageBox(this, caption, text, icon);
}

void TFrmMainVelmaris::RunRemote(const std::function<void()>& command) {
  ++RemoteDepth;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{RemoteDepth};
  command();
}

void TFrmMainVelmaris::ShowNotice(const std::string& text) {
  // Also on stderr: a notice goes after a while, the log keeps it.
  std::cerr << "velmaris: " << text << '\n';
  if (!NoticeTimer) {
    NoticeTimer = new QTimer(this);
    NoticeTimer->setSingleShot(true);
    connect(NoticeTimer, &QTimer::timeout, this, [this] { CaptionLabel->setText(CaptionBeforeNotice); });
  }
  if (!NoticeTimer->isActive()) CaptionBeforeNotice = CaptionLabel->text();
  CaptionLabel->setText(QString::fromStdString(Utf8Text::ForDisplay(Utf8Text::ShortenMiddle(text, kMaxNoticeChars))));
  CaptionLabel->setToolTip(CaptionLabel->text());
  NoticeTimer->start(NoticeMs);
}

bool TFrmMainVelmaris::NoticeShown() const { return NoticeTimer && NoticeTimer->isActive(); }

void TFrmMainVelmaris::SetApplicationTitle(const std::string& title) {
  ApplicationTitleText = QString::fromStdString(title);
  setWindowTitle(ApplicationTitleText);
}

std::string TFrmMainVelmaris::ApplicationTitle() const { return ApplicationTitleText.toStdString(); }


// ---- start-up ----

void TFrmMainVelmaris::FormCreate() {
  // An error anywhere here is shown, and the rest of start-up is skipped: the
  // window then comes up where it was laid out.
  // The last playlist is kept unless start-up reached the place where it is
  // restored (or replaced by the argument's list): a list that was never
  // restored must not overwrite it at close.
  KeepLastPlayList = true;
  // A close may come while a start-up box is open (a signal, the media
  // controls): the steps after it are then skipped.
  Guarded([this] {
    for (QWidget* w : findChildren<QWidget*>()) w->setToolTipDuration(3500);
    Engine_->ReadDeviceVolume();
    if (Closing) return;
    setAcceptDrops(true);
    const std::string settings = SettingsFile(*Services_);
    FirstRun = !Paths::FileExists(settings);
    if (!OptionsFileReadable(settings)) {
      // Defaults instead, and nothing written over the file at close.
      ShowMessage("Velmaris",
                  "Cannot read the settings file " + settings +
                      ". Velmaris starts with its default settings and will not write over that file.",
                  TMsgIcon::Warning);
      return;
    }
    ReadOptions(VelmarisOptions, settings);
    SettingsLoaded = true;
    if (Closing) return;
    const std::string arg = Services_->Arguments.empty() ? std::string() : Services_->Arguments.front();
    if (!arg.empty() && !Engine_->OpenPath(arg, false, true)) {
      ShowMessage("Velmaris", "Cannot open " + arg + ": " +
                                  (Paths::FileExists(arg) ? "not a playlist or MP3 file." : "it does not exist."),
                  TMsgIcon::Error);
    }
    if (Closing) return;
    ApplyOptions(VelmarisOptions);
    // Without a notification area the window would stay hidden for good.
    StartHidden = VelmarisOptions.Minimized && VelmarisOptions.MinimizeToTray && TrayUsable(Services_->TrayAvailable);
  });
  // Whatever the user does to the list from now on is theirs to keep.
  QAbstractItemModel* lines = List().Model();
  const auto changed = [this] { KeepLastPlayList = false; };
  connect(lines, &QAbstractItemModel::rowsInserted, this, changed);
  connect(lines, &QAbstractItemModel::rowsRemoved, this, changed);
  connect(lines, &QAbstractItemModel::rowsMoved, this, changed);
  connect(lines, &QAbstractItemModel::modelReset, this, changed);
  connect(lines, &QAbstractItemModel::rowsInserted, this, [this] { ListEmptiedByUser = false; });
}

void TFrmMainVelmaris::ApplyOptions(TVelmarisOptions& options) {
  LoadSkin(options.LastSkinFile);
  move(Mover->PlaceOnScreen(options.Left, options.Top));
  if (options.Minimized) MinimizeButtonClick();
  SetFoldMode(options.Mode);
  Engine_->SetShuffle(options.ShuffleIsOn);
  if (options.Transparent) MakeTransButtonClick();
  if (!Services_->Arguments.empty() && !Services_->Arguments.front().empty()) {
    KeepLastPlayList = false;  // the argument's list replaces it
    return;
  }
  if (Closing) return;
  if (Paths::FileExists(options.LastSoundFile)) {
    const int32_t pos = options.LastSoundPos;
    Engine_->OpenPath(options.LastSoundFile, false, true);
    Engine_->PlayerSetPosition(pos);
    Engine_->PlayerPlay();
  }
  Engine_->OpenPath(options.LastListFile, false, true);
  KeepLastPlayList = false;
}

void TFrmMainVelmaris::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!FormShowDone) {
    // Let the window appear first; the first-run dialog opens over it.
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormShow(); }); });
    FormShowDone = true;
  }
}

void TFrmMainVelmaris::FormShow() {
  FormShowDone = true;
  if (!Paths::FileExists(SettingsFile(*Services_))) {
    VelmarisOptions.SkinDir = Services_->SkinsDir;
    VelmarisOptions.MusicDir = Services_->MusicDir.empty() ? Services_->ProgramDir : Services_->MusicDir;
    VelmarisOptions.DispMini = "- $filename... [$timeleft]";
    ShowOptions();
  }
}

// ---- close ----

void TFrmMainVelmaris::CloseButtonClick() { close(); }

void TFrmMainVelmaris::CloseNow() {
  ForcedClose = true;
  close();
}

void TFrmMainVelmaris::closeEvent(QCloseEvent* event) {
  if (Closing) {
    event->accept();
    return;
  }
  // An add under way is dropped: the list saved is the one shown.
  List().CancelAdds();
  if (FormClose() || CloseRefused || ForcedClose) {
    // A close that failed once is not refused again: the user has been told
    // what could not be saved.
    Closing = true;
    Engine_->StopTimer();
    if (TrayIcon) TrayIcon->hide();
    event->accept();
    // exit, not quit: it also ends the loops of boxes and dialogs still open
    // (and makes any later one return at once), before the main loop runs too.
    QCoreApplication::exit(0);
    return;
  }
  CloseRefused = true;
  event->ignore();
}

bool TFrmMainVelmaris::FormClose() {
  try {
    VelmarisOptions.Left = x();
    VelmarisOptions.Top = y();
    VelmarisOptions.Mode = static_cast<int8_t>(GetFoldMode());
    VelmarisOptions.ShuffleIsOn = Engine_->Shuffle();
    VelmarisOptions.Transparent = Translucent;
    const bool active = QGuiApplication::applicationState() == Qt::ApplicationActive;
    VelmarisOptions.Minimized = !(isVisible() && active && !isMinimized());
    // With no song open there is no position to take; the one read at start
    // still belongs to LastSoundFile.
    if (Engine_->SongOpen()) VelmarisOptions.LastSoundPos = static_cast<int32_t>(Engine_->PlayerPosition());
    // Settings never read (closed before, or an unreadable file) are not
    // written: the file keeps what it holds, and so does the saved list.
    if (!SettingsLoaded) return true;
    // An empty list replaces the saved one only when the user emptied it.
    const bool saveList = !KeepLastPlayList && (List().Count() > 0 || ListEmptiedByUser);
    const std::string listFile = Services_->DataDir + "lastplaylist.vpls";
    if (saveList) VelmarisOptions.LastListFile = listFile;
    // The settings first: when they cannot be written, the saved list is
    // left as it is.
    WriteOptions(VelmarisOptions, SettingsFile(*Services_));
    if (saveList) List().Save(listFile);
    return true;
  } catch (const std::exception& e) {
    if (ForcedClose) std::cerr << "velmaris: " << e.what() << '\n';
    else ShowApplicationError(e.what());
    return false;
  }
}

// ---- dropped files ----

void TFrmMainVelmaris::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TFrmMainVelmaris::dropEvent(QDropEvent* event) {
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  const QPoint pos = event->position().toPoint();
  event->acceptProposedAction();
  Guarded([this, &paths, pos] { WMDropFiles(paths, pos); });
}

void TFrmMainVelmaris::WMDropFiles(const std::vector<std::string>& paths, QPoint pos) {
  const bool upper = pos.y() <= 115;
  int p = -1;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    if (!PathRules::IsSongFile(PathRules::ExtractFileExt(path), VelmarisOptions.PlayAllFormats)) {
      Engine_->OpenPath(path, false, true);
      return;  // files after a playlist or other file are ignored
    }
    if (upper) {
      p = p + 1;
      if (i == 0) {
        Engine_->LoadSong(path);
        PlayButtonClick();
      }
    } else if (i == 0) {
      // Only a line the list shows counts: a drop on the strip under the
      // list or on its scroll bar is no drop on a line, even where lines lie
      // out of sight beyond it.
      const QPoint inList = PlayList->viewport()->mapFrom(this, pos);
      const QModelIndex at =
          PlayList->viewport()->rect().contains(inList) ? PlayList->indexAt(inList) : QModelIndex();
      p = at.isValid() ? at.row() : -1;
    } else if (p != -1) {
      p = p + 1;
    }
    List().Add(path, p);
  }
}

// ---- painting and keys ----

void TFrmMainVelmaris::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const uint32_t c = TransparentColorValue;
  p.fillRect(rect(), QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
}

void TFrmMainVelmaris::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window only when none of its controls has the focus. A
  // key that a focused control left unhandled comes up here as well; it
  // belongs to that control, not to the window.
  const QWidget* focused = focusWidget();
  if (focused && focused != this && focused->isVisibleTo(this)) {
    event->ignore();
    return;
  }
  int key = VirtualKey::None;
  if (event->key() == Qt::Key_Left) key = VirtualKey::Left;
  else if (event->key() == Qt::Key_Right) key = VirtualKey::Right;
  if (key) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    Guarded([this, key, mods] { FormKeyDown(key, mods); });
    return;
  }
  QWidget::keyPressEvent(event);
}

void TFrmMainVelmaris::mousePressEvent(QMouseEvent* event) {
  const Qt::MouseButton button = event->button();
  const QPoint global = event->globalPosition().toPoint();
  Guarded([this, button, global] { CaptionPanelMouseDown(this, button, global); });
}

#pragma once
// The main window: the skin bitmap with the transport controls laid over it,
// and the fold-out playlist panel below. It holds no player state: every
// handler forwards to the player engine (playback/PlaybackEngine.h) and the
// Show... slots paint what the engine publishes. Its methods live in:
//   app/FrmMainVelmaris.cpp   layout, start-up, close, dropped files, keys
//   app/WindowBehaviour.cpp   dragging and snapping, folding, tray, menu
//   app/PlayerView.cpp        transport and volume handlers, showing the engine
//   app/PlayListView.cpp      playlist handlers, quick find, hints, options
//   app/SkinLoader.cpp        skin scripts applied to the controls
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "options/Tvelmarisoptions.h"
#include "platform/MediaDevice.h"
#include "platform/UserDialogs.h"

class PlaybackEngine;
class PlayList;
class QuickFindBox;
class SkinKeyboard;
class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QSystemTrayIcon;
class QTimer;
class RegistryStore;
class TPlayListBox;
class TRegExtension;
class TSkinImage;
class TSpeedButton;
class WindowMover;
class UserDialogs;
class WaveOutVolume;

class TFrmMainVelmaris : public QWidget {
  Q_OBJECT
public:
  struct Services;

private:
  // First, so that the settings reference below can be bound to the engine.
  std::unique_ptr<Services> Services_;
  std::unique_ptr<PlaybackEngine> Engine_;

public:
  // What the window needs from the platform; tests pass fakes.
  struct Services {
    std::string ProgramDir;              // folder of the program, with its trailing "/"
    std::string ProgramPath;             // full path of the program file
    std::vector<std::string> Arguments;  // command-line arguments after the program path
    std::unique_ptr<MediaDevice> Device; // the engine's media device
    WaveOutVolume* Volume = nullptr;     // not owned
    UserDialogs* Dialogs = nullptr;      // not owned
    RegistryStore* Registry = nullptr;   // not owned; file associations
    // The desktop work area; false when it cannot be read. Empty: the
    // primary screen's available geometry.
    std::function<bool(QRect&)> WorkArea;
    // Whether the desktop has a notification area for the tray icon. Empty:
    // asked from the desktop.
    std::function<bool()> TrayAvailable;
    std::string DataDir;     // where VelmarisOpts.ini and lastplaylist.vpls live, trailing "/"
    std::string SkinsDir;    // default skin folder (no trailing "/")
    std::string MusicDir;    // first-run music folder, trailing "/"
    // Hooks the desktop's file-type files to the association component
    // (empty in tests: nothing outside the test folders is touched).
    std::function<void(TRegExtension&)> ConnectAssociations;
  };

  explicit TFrmMainVelmaris(Services services, QWidget* parent = nullptr);
  ~TFrmMainVelmaris() override;

  PlaybackEngine& Engine() const { return *Engine_; }
  ::PlayList& List() const;

  // ---- start-up and close (FrmMainVelmaris.cpp) ----
  void FormCreate();
  void FormShow();
  bool FormClose();  // false (window stays open) when a save failed
  // A close from the session (a quit signal, the media controls' Quit):
  // never refused and never waits for the user; errors go to stderr.
  void CloseNow();
  bool Closed() const { return Closing; }
  void ApplyOptions(TVelmarisOptions& options);
  void CloseButtonClick();
  void WMDropFiles(const std::vector<std::string>& paths, QPoint pos);  // client coordinates
  void ShowApplicationError(const std::string& text);
  // A message for the user: a box, or the notice while a remote command runs.
  void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon);
  // Runs a command of the media controls: what it reports goes to the
  // notice, never to a box (the caller waits for the reply, and a flood of
  // calls would stack boxes).
  void RunRemote(const std::function<void()>& command);
  // The caption shows `text` for NoticeMs instead of the song's texts.
  void ShowNotice(const std::string& text);
  bool NoticeShown() const;
  static constexpr int NoticeMs = 6000;
  void Guarded(const std::function<void()>& handler);  // shows an error that leaves it
  void SetApplicationTitle(const std::string& title);  // the taskbar text
  std::string ApplicationTitle() const;
  bool StartsHidden() const { return StartHidden; }
  bool FirstRun = false;

  // ---- window behaviour (WindowBehaviour.cpp) ----
  void CaptionPanelMouseDown(QWidget* sender, Qt::MouseButton button, QPoint globalPos);
  void WMEnterSizeMove(QPoint cursor);
  void WMMoving(QRect& r, QPoint cursor);  // r: proposed rectangle, may be changed
  void CaptionPanelDblClick();
  void OpenPLButtonClick();
  void MinimizeButtonClick();
  void TrayIconDblClick();
  void MakeTransButtonClick();
  void PopupMenu1Popup();
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);
  void Options1Click();
  int GetFoldMode() const;
  void SetFoldMode(int8_t mode);
  bool TranslucencyOn() const { return Translucent; }

  // ---- transport and volume (PlayerView.cpp) ----
  void PlayListDblClick();
  void PlayButtonClick();
  void PauseButtonClick();
  void StopButtonClick();
  void RewButtonClick();
  void FFButtonClick();
  void PreviousButtonClick();
  void NextButtonClick();
  void OpenButtonClick();
  void ShuffleButtonMouseDown(Qt::MouseButton button);
  void PlayModeButtonClick();  // shuffle or repeat toggled
  void MP3TimerTimer();
  void ProgressPanelMouseDown(QWidget* sender, int x);
  void btnVolumeMouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, int x);
  void btnVolumeMouseMove(Qt::MouseButtons buttons, int x);
  // What the engine publishes at each tick, shown (the song, the buttons
  // and the volume are shown as the engine announces them).
  void ShowPlayerState();

  // ---- playlist (PlayListView.cpp) ----
  void ButtonSaveClick();
  void Savecurrentplaylist1Click();
  void ButtonNewClick();
  void ButtonRemoveClick();
  void RemoveNonExistent();
  void mniRemoveDuplicatesClick();
  void SortByName1Click();
  void btnMoveUpDownClick(TSpeedButton* sender);
  void Invertselection1Click();
  void Openfolderofselectedfile1Click();
  void Adddirectorytoplaylist1Click();
  void ViewFileInfoID3TagInfoClick();
  void PlayListKeyDown(int key);
  void PlayListKeyUp(int key);
  bool PlayListKeyPress(const QString& ch);  // true when the box opened
  void QuickFindIdleStep();
  void PlayListMouseMove(QPoint pos);
  void ShowOptions();

  // ---- keyboard and assistive technology (AccessView.cpp) ----
  void btnVolumeSetPercent(int percent);
  void ProgressPanelSeek(int seconds);
  bool KeyboardInUse() const;
  QWidget* FocusMarkedControl() const;  // null while no focus mark is drawn
  void ShowWindowMenu();                 // the right click's menu, from the keyboard

  // ---- skins (SkinLoader.cpp) ----
  void LoadSkin(const std::string& path);
  void ApplyBuiltInLook();
  void ApplyColourKey();  // window shape: pixels of the key colour are cut out

  // ---- state of the window itself ----
  TVelmarisOptions& VelmarisOptions;  // the engine's settings record
  QuickFindBox* QuickFind = nullptr;  // the quick-find box's behaviour
  WindowMover* Mover = nullptr;  // the move loop and its snap state
  uint32_t TransparentColorValue = 0x00FF00;  // colour key, 0x00BBGGRR
  QString TrayHint;  // the tray icon's hint, kept also when no tray exists

  // ---- controls ----
  TSkinImage* MainImage = nullptr;
  QLabel* CaptionLabel = nullptr;
  TSkinImage* SysIconImage = nullptr;
  TSpeedButton* MakeTransButton = nullptr;
  TSpeedButton* MinimizeButton = nullptr;
  TSpeedButton* CloseButton = nullptr;
  TSpeedButton* OpenButton = nullptr;
  QLabel* FileText = nullptr;
  QLabel* PositionText = nullptr;
  QLabel* LengthText = nullptr;
  TSpeedButton* RewButton = nullptr;
  QFrame* ProgressPanel = nullptr;
  QFrame* ProgressPanelBar = nullptr;
  TSpeedButton* FFButton = nullptr;
  TSpeedButton* btnVolume = nullptr;
  TSpeedButton* PreviousButton = nullptr;
  TSpeedButton* PlayButton = nullptr;
  TSpeedButton* PauseButton = nullptr;
  TSpeedButton* StopButton = nullptr;
  TSpeedButton* NextButton = nullptr;
  TSpeedButton* ShuffleButton = nullptr;
  TSpeedButton* RepeatButton = nullptr;
  TSpeedButton* OpenPLButton = nullptr;
  QFrame* PlayListPanel = nullptr;
  TPlayListBox* PlayList = nullptr;
  QLineEdit* QuickFindEdit = nullptr;
  QLabel* PlayListLabel = nullptr;
  TSpeedButton* ButtonRemove = nullptr;
  TSpeedButton* ButtonAddDirectory = nullptr;
  TSpeedButton* btnMoveUp = nullptr;
  TSpeedButton* btnMoveDown = nullptr;
  TSpeedButton* ButtonNew = nullptr;
  TSpeedButton* ButtonSave = nullptr;
  QSystemTrayIcon* TrayIcon = nullptr;

  QMenu* PopupMenu1 = nullptr;
  QAction* Options1 = nullptr;
  QAction* OpenSong1 = nullptr;
  QMenu* NowPlaying1 = nullptr;
  QAction* Play1 = nullptr;
  QAction* Pause1 = nullptr;
  QAction* Stop1 = nullptr;
  QAction* Nextsong1 = nullptr;
  QAction* Previoussong1 = nullptr;
  QAction* Exit1 = nullptr;

  QMenu* PopupPlaylist = nullptr;
  QAction* Openfolderofselectedfile1 = nullptr;
  QAction* Adddirectorytoplaylist1 = nullptr;
  QAction* Savecurrentplaylist1 = nullptr;
  QAction* SortByName1 = nullptr;
  QAction* Invertselection1 = nullptr;
  QAction* Removeselected1 = nullptr;
  QAction* Removenonexistentfiles1 = nullptr;
  QAction* mniRemoveDuplicates = nullptr;
  QAction* ViewFileInfoID3TagInfo = nullptr;

  UserDialogs& Dialogs() const { return *Services_->Dialogs; }

  // The file-dialog filters.
  static const std::string MP3Filter;
  static const std::string PlayListFilter;
  static const std::string OpenFilter;
  // Added last to the open dialog's filters when the other formats are on.
  static const std::string AudioFilesFilter;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void CreateControls();
  void CreateMenus();
  void ConnectHandlers();
  void ConnectEngine();
  void SetWindowHeight(int h);
  void ConnectAccessibility();
  void ConnectAnnouncements();

  bool StartHidden = false;
  bool KeepLastPlayList = false;  // start-up never restored the last playlist
  bool FormShowDone = false;
  bool Translucent = false;
  bool Closing = false;
  bool CloseRefused = false;
  bool ForcedClose = false;  // the close came from the session, not the user
  // The settings were read (and can be written back over the file).
  bool SettingsLoaded = false;
  // The list is empty because the user emptied it (New, removing every line):
  // only then may an empty list replace the saved one.
  bool ListEmptiedByUser = false;
  int RemoteDepth = 0;  // remote commands running
  QTimer* NoticeTimer = nullptr;
  QString CaptionBeforeNotice;
  int FoldDepth = 0;  // nesting of SetFoldMode through pending events
  QString ApplicationTitleText;
  SkinKeyboard* Keyboard = nullptr;
  int32_t AnnouncedPosition = -1;  // the position's value last reported
  QString AnnouncedCaption;        // the window's name last reported
};

#pragma once
// The main window: the skin bitmap with the transport controls laid over it,
// and the fold-out playlist panel below. Its methods live in several files,
// one per subsystem:
//   app/FrmMainVelmaris.cpp      layout, start-up, close, dropped files
//   app/WindowBehaviour.cpp      dragging and snapping, folding, tray, keys
//   playback/Transport.cpp       loading songs, transport buttons
//   playback/PositionTimer.cpp   the position timer and status texts
//   playback/Volume.cpp          the volume button
//   playlist/PlayListOps.cpp     adding lines, OpenPath, playlist files
//   playlist/PlayListEditing.cpp editing commands, file-info report
//   playlist/QuickFind.cpp       quick find, list keys and hints
//   skins/SkinLoader.cpp         skin scripts
//   options/ShowOptions.cpp      the options dialog call
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/Tvelmarisoptions.h"
#include "platform/MediaDevice.h"

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
class TPlayListModel;
class TSkinImage;
class TSpeedButton;
class UserDialogs;
class WaveOutVolume;

class TFrmMainVelmaris : public QWidget {
  Q_OBJECT
public:
  // What the window needs from the platform; tests pass fakes.
  struct Services {
    std::string ProgramDir;              // folder of the program, with its trailing "/"
    std::string ProgramPath;             // full path of the program file
    std::vector<std::string> Arguments;  // command-line arguments after the program path
    std::unique_ptr<MediaDevice> Device; // becomes MPlayer
    WaveOutVolume* Volume = nullptr;     // not owned
    UserDialogs* Dialogs = nullptr;      // not owned
    RegistryStore* Registry = nullptr;   // not owned; file associations
    // The desktop work area; false when it cannot be read. Empty: the
    // primary screen's available geometry.
    std::function<bool(QRect&)> WorkArea;
    std::string DataDir;     // where VelmarisOpts.ini and lastplaylist.vpls live, trailing "/"
    std::string SkinsDir;    // default skin folder (no trailing "/")
    std::string MusicDir;    // first-run music folder, trailing "/"
    // Hooks the desktop's file-type files to the association component
    // (empty in tests: nothing outside the test folders is touched).
    std::function<void(TRegExtension&)> ConnectAssociations;
  };

  explicit TFrmMainVelmaris(Services services, QWidget* parent = nullptr);
  ~TFrmMainVelmaris() override;

  // ---- start-up and close (app/FrmMainVelmaris.cpp) ----
  void FormCreate();
  void FormShow();
  // Runs the close steps; false (window stays open) when a save failed.
  bool FormClose();
  void ApplyOptions(TVelmarisOptions& options);
  void CloseButtonClick();
  // Files dropped at `pos` (client coordinates), in the shell's order.
  void WMDropFiles(const std::vector<std::string>& paths, QPoint pos);
  // Shows an error that escaped a handler, the program goes on.
  void ShowApplicationError(const std::string& text);
  // Runs `handler`; an exception leaving it goes to the error display.
  void Guarded(const std::function<void()>& handler);
  // Start-up decided to stay hidden in the tray.
  bool StartsHidden() const { return StartHidden; }
  // The application title (the taskbar text).
  void SetApplicationTitle(const std::string& title);
  std::string ApplicationTitle() const;
  std::string SettingsPath() const { return Services_.DataDir + "VelmarisOpts.ini"; }
  std::string LastPlayListPath() const { return Services_.DataDir + "lastplaylist.vpls"; }
  const std::string& DefaultSkinsDir() const { return Services_.SkinsDir; }
  const std::string& GetProgramDir() const { return ProgramDir; }
  bool FirstRun = false;

  // ---- window behaviour (app/WindowBehaviour.cpp) ----
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
  void ShuffleButtonMouseDown(Qt::MouseButton button);
  void Options1Click();
  int GetFoldMode() const;
  void SetFoldMode(int8_t mode);
  bool TranslucencyOn() const { return Translucent; }
  bool ReadWorkArea(QRect& area) const;

  // ---- player engine (playback/Transport.cpp) ----
  void LoadSong(const std::string& path);
  void PlayListDblClick();
  void PlayCurrentEntry();
  bool SelectNextEntry();
  bool SelectPreviousEntry();
  bool SelectRandomEntry();
  bool SeekTo(int32_t t);
  void UpdateTransportButtons();
  void ShowTransportButton(TSpeedButton* button, bool flag);
  void PlayButtonClick();
  void PauseButtonClick();
  void StopButtonClick();
  void RewButtonClick();
  void FFButtonClick();
  void PreviousButtonClick();
  void NextButtonClick();
  void OpenButtonClick();
  void MPlayerNotify();
  // The media player's own commands (play at the end restarts, pause toggles).
  void PlayerPlay();
  void PlayerPause();
  void PlayerStop();
  void PlayerSetPosition(int64_t ms);
  // Mode and position that never fail: closed device -> not ready / 0.
  TMPModes PlayerMode() const;
  int64_t PlayerPosition() const;

  // ---- position timer (playback/PositionTimer.cpp) ----
  void MP3TimerTimer();
  bool SongFinished();
  void ShowTotalTime();
  std::string LengthTimeText();
  std::string PositionTimeText() const;
  std::string TimeLeftText();
  std::string ExpandDisplayFormat(const std::string& format);
  void ProgressPanelMouseDown(QWidget* sender, int x);
  static std::string TimeText(int32_t seconds);

  // ---- volume (playback/Volume.cpp) ----
  void btnVolumeMouseDown(Qt::MouseButton button, Qt::MouseButtons buttons, int x);
  void btnVolumeMouseMove(Qt::MouseButtons buttons, int x);
  float ReadVolumeCaption() const;
  void SetWaveVolume(float& level);
  void ReadDeviceVolume();

  // ---- playlist model and files (playlist/PlayListOps.cpp) ----
  std::string EntryDisplayText(int mode, const std::string& path) const;
  bool AddToPlayList(const std::string& path, int position);
  void ClearPlayList();
  void AddFileList(const std::vector<std::string>& paths, bool keep);
  void OpenPath(const std::string& path, bool keep, bool play);
  void LoadPlayListFile(const std::string& path, bool keep);
  void SavePlayList(const std::string& path);
  void ButtonSaveClick();
  void Savecurrentplaylist1Click();
  void ButtonNewClick();

  // ---- playlist editing (playlist/PlayListEditing.cpp) ----
  void EnablePlaylistMenu(bool enabled);
  void ButtonRemoveClick();
  void RemoveNonExistent();
  void mniRemoveDuplicatesClick();
  void SortByName1Click();
  void btnMoveUpDownClick(TSpeedButton* sender);
  void Invertselection1Click();
  void Openfolderofselectedfile1Click();
  void Adddirectorytoplaylist1Click();
  int AddFolder(const std::string& folder);
  void ViewFileInfoID3TagInfoClick();

  // ---- quick find and list navigation (playlist/QuickFind.cpp) ----
  int FindInPlayList(const std::string& text, int start, bool caseSensitive) const;
  void PlayListKeyDown(int key);
  void PlayListKeyUp(int key);
  bool PlayListKeyPress(const QString& ch);  // true when the box opened
  void QuickFindEditKeyDown(int key);
  bool QuickFindEditKeyPress(const QString& ch);  // true when swallowed
  void QuickFindIdleStep();
  void PlayListMouseMove(QPoint pos);
  // Routes the list's and the quick-find box's keys and mouse to the above.
  void InitPlayListEvents();

  // ---- skins (skins/SkinLoader.cpp) ----
  void LoadSkin(const std::string& path);
  void ApplyBuiltInLook();
  // Window shape from the picture: pixels of the key colour are cut out.
  void ApplyColourKey();

  // ---- options dialog (options/ShowOptions.cpp) ----
  void ShowOptions();

  // ---- state ----
  TVelmarisOptions VelmarisOptions;
  int32_t LengthSeconds = 0;
  int32_t PositionSeconds = 0;
  int ZeroLengthEnds = 0;  // songs of no length that ended in a row (playback)
  int32_t VolumeDragStartX = 0;
  float VolumeDragStartLevel = 0.0f;
  int LastFoundIndex = -1;
  // Snap state of the move loop.
  QRect WorkArea;
  QPoint SnapAnchor;
  bool SnappedX = false;
  bool SnappedY = false;
  static constexpr int SnapDistance = 12;
  // Transparent colour key (0x00BBGGRR) of the window.
  uint32_t TransparentColorValue = 0x00FF00;
  std::mt19937 Random;

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
  TPlayListModel* PlayListModel = nullptr;
  QLineEdit* QuickFindEdit = nullptr;
  int QuickFindIdle = 0;  // the quick-find box's idle counter
  QLabel* PlayListLabel = nullptr;
  TSpeedButton* ButtonRemove = nullptr;
  TSpeedButton* ButtonAddDirectory = nullptr;
  TSpeedButton* btnMoveUp = nullptr;
  TSpeedButton* btnMoveDown = nullptr;
  TSpeedButton* ButtonNew = nullptr;
  TSpeedButton* ButtonSave = nullptr;
  std::unique_ptr<MediaDevice> MPlayer;
  QTimer* MP3Timer = nullptr;
  QSystemTrayIcon* TrayIcon = nullptr;
  QString TrayHint;  // the tray icon's hint, kept also when no tray exists

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

  UserDialogs& Dialogs() const { return *Services_.Dialogs; }
  WaveOutVolume* Volume() const { return Services_.Volume; }
  RegistryStore* Registry() const { return Services_.Registry; }
  const std::string& ProgramPath() const { return Services_.ProgramPath; }
  // First command-line argument, empty when none.
  std::string FirstArgument() const;

  // The six texts made once at start.
  static const std::string MP3Filter;
  static const std::string PlayListFilter;
  static const std::string OpenFilter;
  static const std::string TokenFileName;
  static const std::string TokenTimeLeft;
  static const std::string TokenPos;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  void CreateControls();
  void CreateMenus();
  void ConnectHandlers();
  // Window-drag state of our own move loop.
  void MoveLoopMouseMove(QPoint globalPos);
  void MoveLoopRelease();

  Services Services_;
  std::string ProgramDir;
  bool StartHidden = false;
  bool FormShowDone = false;
  bool Translucent = false;
  bool Closing = false;
  bool CloseRefused = false;
  bool Dragging = false;
  QPoint DragOffset;  // cursor minus window top-left at the press
  int FoldDepth = 0;  // nesting of SetFoldMode through pending events
  // Window behaviour helpers (app/WindowBehaviour.cpp).
  void BeginMoveLoop(QPoint globalPos);
  void SetWindowHeight(int h);
  bool PlayListDragEvent(QEvent* event);  // watches the playlist for a drag
  bool PendingDrag = false;               // a press on the playlist that may become a drag
  QPoint PendingDragStart;
  QObject* PlayListDragWatcher = nullptr;
  QString ApplicationTitleText;
};

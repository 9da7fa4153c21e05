#pragma once
// The options dialog: music and skin folders, file associations, tray and
// quick-find switches, the display formats, how playlist lines are shown, the
// skin, and the About page. A new dialog is made for every showing.
#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "options/Tvelmarisoptions.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QTabWidget;
class QWidget;
class RegistryStore;
class TRegExtension;
class TSkinImage;
class TSpeedButton;
class UserDialogs;

class TOptionsDlg : public QDialog {
  Q_OBJECT
public:
  struct Context {
    std::string ProgramDir;   // trailing "/"
    std::string ProgramPath;  // full path of the program file
    UserDialogs* Dialogs = nullptr;
    RegistryStore* Registry = nullptr;
    // Hooks the desktop's file-type files to the registry component.
    std::function<void(TRegExtension&)> ConnectAssociations;
  };

  TOptionsDlg(QWidget* owner, Context context);
  ~TOptionsDlg() override;

  // Handlers.
  void FormShow();
  void ButtonSetMusicDirClick();
  void ButtonSetSkinDirectoryClick();
  void cmbPlayListModeChange();
  void AssociateListClick() {}
  void OKBtnClick();
  void Image1Click();
  bool IsAssociated(const std::string& ext);
  void ApplyAssociation(const std::string& ext, const std::string& description, bool wanted);
  // Skin page.
  void FillSkinList(const std::string& folder);
  void SetSkin1Click();
  void RefreshSkins1Click();

  bool PlayListModeChanged = false;

  // Controls.
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  QWidget* TabSheet3 = nullptr;
  QWidget* SheetAbout = nullptr;
  QLineEdit* EditMusicDir = nullptr;
  TSpeedButton* ButtonSetMusicDir = nullptr;
  QLabel* Label1 = nullptr;
  QListWidget* AssociateList = nullptr;
  QCheckBox* cbxMinimizeToTray = nullptr;
  QCheckBox* cbxQuickFind = nullptr;
  static constexpr char kPlayAllFormatsText[] = "Play FLAC, Ogg Vorbis, Opus and WAV files too";
  QCheckBox* cbxPlayAllFormats = nullptr;
  QLineEdit* EditNormalDisplay = nullptr;
  QLineEdit* EditMiniModeDisp = nullptr;
  QLineEdit* EditTaskDisplay = nullptr;
  QComboBox* cmbPlayListMode = nullptr;
  QCheckBox* cbxReadAllTagVersions = nullptr;
  QLabel* CurSkinLabel = nullptr;
  QLineEdit* EditSkinDir = nullptr;
  TSpeedButton* ButtonSetSkinDirectory = nullptr;
  QListWidget* ListBoxSkins = nullptr;
  QMenu* SkinPopup = nullptr;
  TSkinImage* Image1 = nullptr;
  QLabel* LabVersion = nullptr;
  QLabel* AboutStatic = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;

  // The association table: extension, description, check-list caption.
  struct Association {
    const char* Ext;
    const char* Description;
    const char* Caption;
  };
  static const Association Associations[5];
  static const char* const AboutText;
  // What "Selected Skin:" names while no skin script is chosen.
  static constexpr const char* BuiltInSkinName = "Built-in";

  // The page for the README the logo opens.
  std::string ReadmePath() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void CreateGeneralPage();
  void CreateDisplayPage();
  void CreateSkinsPage();
  void CreateAboutPage();

  Context context_;
  std::unique_ptr<TRegExtension> RegExt;
};

// Copies the settings into the dialog's controls.
void FillOptionsDialog(const TVelmarisOptions& options, TOptionsDlg& dialog, const std::string& programDir);

// The options dialog, shown from the main window.
#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "app/FrmMainVelmaris.h"
#include "options/OptionsDlg.h"
#include "platform/UserDialogs.h"
#include "skins/SkinList.h"

void TFrmMainVelmaris::ShowOptions() {
  TOptionsDlg::Context context;
  context.ProgramDir = GetProgramDir();
  context.ProgramPath = ProgramPath();
  context.Dialogs = &Dialogs();
  context.Registry = Registry();
  context.ConnectAssociations = Services_.ConnectAssociations;
  TOptionsDlg dlg(this, std::move(context));
  FillOptionsDialog(VelmarisOptions, dlg, GetProgramDir());
  dlg.FormShow();
  if (!Dialogs().ExecModal(dlg)) return;  // Cancel copies nothing back

  CaptionLabel->setText(QStringLiteral("Velmaris "));
  SetApplicationTitle("Velmaris ");
  if (const auto skin = SkinList::SkinToApply(VelmarisOptions.LastSkinFile, dlg.EditSkinDir->text().toStdString(),
                                              dlg.CurSkinLabel->text().toStdString()))
    LoadSkin(*skin);
  TVelmarisOptions& o = VelmarisOptions;
  o.MusicDir = dlg.EditMusicDir->text().toStdString();
  o.SkinDir = dlg.EditSkinDir->text().toStdString();
  o.DispNormal = dlg.EditNormalDisplay->text().toStdString();
  o.DispMini = dlg.EditMiniModeDisp->text().toStdString();
  o.DispTask = dlg.EditTaskDisplay->text().toStdString();
  o.PlayListMode = static_cast<int8_t>(dlg.cmbPlayListMode->currentIndex());
  o.MinimizeToTray = dlg.cbxMinimizeToTray->isChecked();
  o.QuickFind = dlg.cbxQuickFind->isChecked();
}

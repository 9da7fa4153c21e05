// The playlist panel: its buttons and popup menu forward to the playlist,
// the quick-find box and the list's keys, the hint of the line under the
// pointer, and the options dialog.
#include "app/FrmMainVelmaris.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QToolTip>
#include <QValidator>

#include "app/OptionsDlg.h"
#include "app/QuickFindBox.h"
#include "app/widgets/PlayListBox.h"
#include "app/widgets/SpeedButton.h"
#include "app/widgets/VirtualKeys.h"
#include "platform/Paths.h"
#include "platform/UserDialogs.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PathRules.h"
#include "playlist/PlayList.h"
#include "skins/SkinList.h"
#include "tags/Kid3lib.h"


// ---- playlist files ----

void TFrmMainVelmaris::ButtonSaveClick() {
  std::string name = Dialogs().SaveFile(this, "Save Playlist",
                                        "Velmaris Playlists (*.vpls)|*.vpls|All Files (*.*)|*.*", "vpls");
  if (name.empty()) return;
  if (PathRules::ExtractFileExt(PathRules::ExtractFileName(name)).empty()) name += ".vpls";
  List().Save(name);
}

void TFrmMainVelmaris::Savecurrentplaylist1Click() {
  if (Paths::FileExists(List().LastListFile())) List().Save(List().LastListFile());
  else ButtonSaveClick();
}

void TFrmMainVelmaris::ButtonNewClick() {
  List().New();
  ListEmptiedByUser = true;
}

// ---- editing ----

void TFrmMainVelmaris::ButtonRemoveClick() {
  List().RemoveSelected();
  if (List().Count() == 0) ListEmptiedByUser = true;
}

void TFrmMainVelmaris::RemoveNonExistent() {
  const int removed = List().RemoveNonExistent();
  if (List().Count() == 0) ListEmptiedByUser = true;
  Dialogs().MessageBox(this, "Velmaris", std::to_string(removed) + " items removed.", TMsgIcon::None);
}

void TFrmMainVelmaris::mniRemoveDuplicatesClick() {
  const int removed = List().RemoveDuplicates();
  Dialogs().MessageBox(this, "Velmaris", std::to_string(removed) + " duplicates removed.", TMsgIcon::None);
}

void TFrmMainVelmaris::SortByName1Click() {
  const int scroll = PlayList->verticalScrollBar()->value();
  List().SortByName();
  PlayList->doItemsLayout();
  PlayList->verticalScrollBar()->setValue(scroll);
}

void TFrmMainVelmaris::btnMoveUpDownClick(TSpeedButton* sender) { List().MoveFocused(sender && sender->Tag == 1); }

void TFrmMainVelmaris::Invertselection1Click() { List().InvertSelection(); }

void TFrmMainVelmaris::Openfolderofselectedfile1Click() {
  if (List().SelCount() == 0) return;
  const int i = List().ItemIndex();
  if (i < 0) return;
  const std::string folder = PathRules::ExtractFilePath(List().Path(i));
  if (folder.empty()) return;  // a bare name has no folder to show
  Dialogs().OpenInShell(folder);
}

void TFrmMainVelmaris::Adddirectorytoplaylist1Click() {
  const std::string folder = Dialogs().BrowseFolder(this, "Add Directory to playlist", VelmarisOptions.MusicDir);
  if (folder.empty()) return;
  const int n = List().AddFolder(folder);
  repaint();
  Dialogs().MessageBox(this, "Velmaris", std::to_string(n) + " files added to playlist.", TMsgIcon::None);
  QCoreApplication::processEvents();
}

void TFrmMainVelmaris::ViewFileInfoID3TagInfoClick() {
  const int i = List().ItemIndex();
  if (i < 0) return;
  const KID3Lib::SimpleID3 tag = KID3Lib::ReadSimpleID3(List().Path(i), List().TagReading());
  if (tag.Version.empty()) {
    Dialogs().MessageBox(this, "Error", "ID3v1.1 or ID3v2.3 Tag does not exist for this file.", TMsgIcon::None);
    return;
  }
  Dialogs().MessageBox(window(), KID3Lib::TagReportCaption(tag), KID3Lib::TagReportText(tag), TMsgIcon::None);
}

// ---- the list's keys and quick find ----

void TFrmMainVelmaris::PlayListKeyDown(int key) {
  if (key == VirtualKey::Delete) ButtonRemoveClick();
}

void TFrmMainVelmaris::PlayListKeyUp(int key) {
  if (key == VirtualKey::Enter) PlayListDblClick();
  else if (key == VirtualKey::Escape) List().DeselectAll();
}

bool TFrmMainVelmaris::PlayListKeyPress(const QString& ch) {
  return VelmarisOptions.QuickFind && QuickFind->Open(ch);
}

void TFrmMainVelmaris::QuickFindIdleStep() { QuickFind->IdleStep(); }

void TFrmMainVelmaris::PlayListMouseMove(QPoint pos) {
  const QModelIndex at = PlayList->indexAt(pos);
  const QString hint = at.isValid() ? QString::fromUtf8(List().Text(at.row()))
                                    : QStringLiteral("Drag and Drop Files Here");
  if (hint == PlayList->toolTip()) return;
  PlayList->setToolTip(hint);
  // A hint already on screen follows the pointer to the new line.
  if (QToolTip::isVisible()) QToolTip::showText(QCursor::pos(), hint, PlayList->viewport());
}

// ---- the options dialog ----

void TFrmMainVelmaris::ShowOptions() {
  TOptionsDlg::Context context;
  context.ProgramDir = Services_->ProgramDir;
  context.ProgramPath = Services_->ProgramPath;
  context.Dialogs = &Dialogs();
  context.Registry = Services_->Registry;
  context.ConnectAssociations = Services_->ConnectAssociations;
  TOptionsDlg dlg(this, std::move(context));
  FillOptionsDialog(VelmarisOptions, dlg, Services_->ProgramDir);
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
  o.ReadAllTagVersions = dlg.cbxReadAllTagVersions->isChecked();
  o.PlayAllFormats = dlg.cbxPlayAllFormats->isChecked();
}

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

namespace {

// The characters that open quick find when typed in the list.
bool IsOpeningChar(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '(' || u == ')' ||
         u == '[' || u == ']' || u == '-' || u == '_';
}

// Quick find gives up after this many idle timer ticks.
constexpr int QuickFindIdleTicks = 4;

// The quick-find box holds small letters only: every letter that reaches it
// is turned into its small form.
class LowerCaseValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toLower();
    return Acceptable;
  }
};

// Hands every key going down in the box to quick find before the box itself
// sees it, so the search reads the text without the key's character; then
// lets quick find swallow Enter's character.
class QuickFindEditKeys : public QObject {
public:
  QuickFindEditKeys(TFrmMainVelmaris* window, QObject* parent) : QObject(parent), window_(window) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* ke = static_cast<QKeyEvent*>(event);
    const int key = TPlayListBox::VirtualKeyOf(ke);
    const QString text = ke->text();
    window_->Guarded([this, key] { window_->QuickFindEditKeyDown(key); });
    bool swallowed = false;
    if (!text.isEmpty()) window_->Guarded([this, &text, &swallowed] { swallowed = window_->QuickFindEditKeyPress(text); });
    return swallowed;
  }

private:
  TFrmMainVelmaris* window_;
};

void HideQuickFind(QLineEdit* box) {
  box->hide();
  box->clear();
}

} // namespace

void TFrmMainVelmaris::ConnectPlayList() {
  connect(PlayList, &TPlayListBox::KeyDown, this, [this](int key) { Guarded([this, key] { PlayListKeyDown(key); }); });
  connect(PlayList, &TPlayListBox::KeyUp, this, [this](int key) { Guarded([this, key] { PlayListKeyUp(key); }); });
  connect(PlayList, &TPlayListBox::KeyChar, this,
          [this](const QString& ch) { Guarded([this, &ch] { PlayListKeyPress(ch); }); });
  connect(PlayList, &TPlayListBox::MouseMoved, this,
          [this](QPoint pos) { Guarded([this, pos] { PlayListMouseMove(pos); }); });
  connect(&List(), &::PlayList::LabelChanged, PlayListLabel, &QLabel::setText);
  connect(&List(), &::PlayList::LinesSkipped, this, [this](int count) {
    Dialogs().MessageBox(this, "Velmaris",
                         std::to_string(count) + (count == 1 ? " file was" : " files were") +
                             " not added: a name that holds a line break cannot be kept in a playlist.",
                         TMsgIcon::Warning);
  });
  QuickFindEdit->setValidator(new LowerCaseValidator(QuickFindEdit));
  QuickFindEdit->installEventFilter(new QuickFindEditKeys(this, QuickFindEdit));
}

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

void TFrmMainVelmaris::ButtonNewClick() { List().New(); }

// ---- editing ----

void TFrmMainVelmaris::ButtonRemoveClick() { List().RemoveSelected(); }

void TFrmMainVelmaris::RemoveNonExistent() {
  const int removed = List().RemoveNonExistent();
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
  if (!VelmarisOptions.QuickFind || ch.size() != 1 || !IsOpeningChar(ch.at(0))) return false;
  QuickFindIdle = 0;
  QuickFindEdit->show();
  QuickFindEdit->setFocus();
  QuickFindEdit->setText(QuickFindEdit->text() + ch.toLower());
  QuickFindEdit->end(false);
  // No search yet; the character goes on to the list's own type-ahead.
  return true;
}

void TFrmMainVelmaris::QuickFindEditKeyDown(int key) {
  bool close = key == VirtualKey::Escape;
  if (!close) {
    QuickFindIdle = 0;
    close = List().QuickFindStep(QuickFindEdit->text().toStdString(), key == VirtualKey::Enter);
  }
  if (close) HideQuickFind(QuickFindEdit);
  if (QuickFindEdit->isHidden()) PlayList->setFocus();
}

bool TFrmMainVelmaris::QuickFindEditKeyPress(const QString& ch) {
  // Enter neither inserts a line end nor beeps.
  return ch == QStringLiteral("\r") || ch == QStringLiteral("\n");
}

void TFrmMainVelmaris::QuickFindIdleStep() {
  if (QuickFindEdit->isHidden()) return;
  if (QuickFindIdle >= QuickFindIdleTicks) {
    QuickFindIdle = 0;
    HideQuickFind(QuickFindEdit);
    PlayList->setFocus();
  } else {
    ++QuickFindIdle;
  }
}

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
}

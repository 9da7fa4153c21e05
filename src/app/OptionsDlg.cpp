#include "app/OptionsDlg.h"

#include <QCheckBox>
#include <QEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QGuiApplication>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <sys/stat.h>

#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "options/FileExtension.h"
#include "platform/RegistryStore.h"
#include "platform/UserDialogs.h"
#include "playlist/PathRules.h"
#include "skins/SkinList.h"
#include "platform/Paths.h"

#ifndef VELMARIS_DOC_DIR
#define VELMARIS_DOC_DIR "/usr/local/share/doc/velmaris"
#endif

const TOptionsDlg::Association TOptionsDlg::Associations[5] = {
    {".mp3", "MP3 Velmaris Audio File", ".mp3 audio files"},
    {".vpls", "Velmaris Playlist", ".vpls Velmaris playlist"},
    {".b4s", "Velmaris Playlist", ".b4s Winamp playlist"},
    {".m3u", "Velmaris Playlist", ".m3u playlist"},
    {".pls", "Velmaris Playlist", ".pls playlist"},
};

const char* const TOptionsDlg::AboutText =
    "Velmaris MP3 Player\n"
    "Made by the Velmaris developers.\n"
    "Built to be fast, never to freeze,\n"
    "and to take the least amount of\n"
    "system resources.\n"
    "Thanks to mpg123, SDL and Qt.\n"
    "\n"
    "\"Simplicity is prerequisite for reliability.\"\n"
    "  - Edsger W. Dijkstra";

namespace {

QFont BoldFont(QFont f, bool underline = false) {
  f.setBold(true);
  f.setUnderline(underline);
  return f;
}

// The About page's logo: our own banner, painted.
QImage PaintLogo(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  QLinearGradient g(0, 0, 0, h);
  g.setColorAt(0, QColor(26, 44, 78));
  g.setColorAt(1, QColor(6, 12, 26));
  p.fillRect(img.rect(), g);
  // A few concentric arcs, like a speaker cone seen from the side.
  for (int i = 0; i < 5; ++i) {
    p.setPen(QPen(QColor(0, 152, 225, 200 - 35 * i), 2));
    p.drawArc(QRectF(w - 70 + 6 * i, 10 - 6 * i, 60 + 12 * i, 60 + 12 * i), 100 * 16, 160 * 16);
  }
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(24);
  f.setBold(true);
  p.setFont(f);
  p.setPen(QColor(235, 242, 255));
  p.drawText(QRect(12, 8, w - 24, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmaris"));
  return img;
}

} // namespace

TOptionsDlg::TOptionsDlg(QWidget* owner, Context context) : QDialog(owner), context_(std::move(context)) {
  setObjectName(QStringLiteral("OptionsDlg"));
  setWindowTitle(QStringLiteral("Velmaris Options"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  // The pages are 22 pixels taller than they were for the tag-reading switch,
  // and 12 wider so the longest "Show" text fits its box.
  setFixedSize(240, 288);
  QFont f(QStringLiteral("MS Sans Serif"));
  f.setPixelSize(11);
  setFont(f);

  PageControl1 = new QTabWidget(this);
  PageControl1->setGeometry(4, 4, 232, 248);
  // The four page tabs must fit the narrow dialog side by side.
  PageControl1->tabBar()->setUsesScrollButtons(false);
  PageControl1->tabBar()->setExpanding(false);
  PageControl1->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 7px; }"));
  CreateGeneralPage();
  CreateDisplayPage();
  CreateSkinsPage();
  CreateAboutPage();

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setGeometry(80, 258, 75, 25);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setGeometry(161, 258, 75, 25);
  connect(OKBtn, &QPushButton::clicked, this, [this] {
    OKBtnClick();
    accept();
  });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  // Centred on the screen, whatever the main window's place.
  if (QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));

  if (context_.Registry) {
    RegExt = std::make_unique<TRegExtension>(*context_.Registry);
    if (context_.ConnectAssociations) context_.ConnectAssociations(*RegExt);
  }
}

TOptionsDlg::~TOptionsDlg() = default;

void TOptionsDlg::CreateGeneralPage() {
  TabSheet1 = new QWidget;
  PageControl1->addTab(TabSheet1, QStringLiteral("General"));
  auto* musicLabel = new QLabel(QStringLiteral("Music Directory"), TabSheet1);
  musicLabel->setGeometry(8, 6, 190, 14);
  EditMusicDir = new QLineEdit(TabSheet1);
  EditMusicDir->setGeometry(8, 22, 176, 21);
  musicLabel->setBuddy(EditMusicDir);
  ButtonSetMusicDir = new TSpeedButton(TabSheet1);
  ButtonSetMusicDir->setGeometry(186, 22, 21, 21);
  ButtonSetMusicDir->SetCaption(QStringLiteral("..."));
  ButtonSetMusicDir->setToolTip(QStringLiteral("Select Directory"));
  connect(ButtonSetMusicDir, &TSpeedButton::Click, this, &TOptionsDlg::ButtonSetMusicDirClick);

  Label1 = new QLabel(QStringLiteral("Associate these files with Velmaris"), TabSheet1);
  Label1->setGeometry(8, 50, 206, 14);
  AssociateList = new QListWidget(TabSheet1);
  AssociateList->setGeometry(8, 66, 199, 84);
  for (const Association& a : Associations) {
    auto* item = new QListWidgetItem(QString::fromLatin1(a.Caption), AssociateList);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }
  connect(AssociateList, &QListWidget::itemClicked, this, [this] { AssociateListClick(); });

  cbxMinimizeToTray = new QCheckBox(QStringLiteral("Minimize to system tray"), TabSheet1);
  cbxMinimizeToTray->setGeometry(8, 156, 199, 18);
  cbxQuickFind = new QCheckBox(QStringLiteral("Enable playlist quick-find"), TabSheet1);
  cbxQuickFind->setGeometry(8, 176, 199, 18);
  // Two lines: the text is wider than the page. Screen readers get it whole.
  cbxPlayAllFormats = new QCheckBox(QStringLiteral("Play FLAC, Ogg Vorbis, Opus and\nWAV files too"), TabSheet1);
  cbxPlayAllFormats->setAccessibleName(QString::fromLatin1(kPlayAllFormatsText));
  cbxPlayAllFormats->setGeometry(8, 195, 199, 30);
}

void TOptionsDlg::CreateDisplayPage() {
  TabSheet2 = new QWidget;
  PageControl1->addTab(TabSheet2, QStringLiteral("Display"));
  int y = 4;
  auto addEdit = [&](const char* caption, QLineEdit*& edit) {
    auto* l = new QLabel(QString::fromLatin1(caption), TabSheet2);
    l->setFont(BoldFont(font()));
    l->setGeometry(8, y, 199, 14);
    edit = new QLineEdit(TabSheet2);
    edit->setGeometry(8, y + 15, 199, 20);
    l->setBuddy(edit);
    y += 38;
  };
  addEdit("Normal Display:", EditNormalDisplay);
  addEdit("Mini Mode Display:", EditMiniModeDisp);
  addEdit("Taskbar Display:", EditTaskDisplay);

  auto* bevel = new QFrame(TabSheet2);
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setGeometry(8, y, 199, 58);
  auto* l3 = new QLabel(QStringLiteral("Variables:"), bevel);
  l3->setFont(BoldFont(font(), true));
  l3->setGeometry(4, 2, 190, 13);
  const char* vars[] = {"$filename - Currently playing file", "$timeleft - Remaining time",
                        "$pos - Position of audio"};
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(QString::fromLatin1(vars[i]), bevel);
    l->setFont(BoldFont(font()));
    l->setGeometry(4, 15 + 13 * i, 190, 13);
  }
  y += 64;
  auto* l10 = new QLabel(QStringLiteral("Show:"), TabSheet2);
  l10->setFont(BoldFont(font()));
  l10->setGeometry(8, y + 3, 40, 14);
  cmbPlayListMode = new QComboBox(TabSheet2);
  cmbPlayListMode->addItems({QStringLiteral("File name"), QStringLiteral("File name (no ext)"),
                             QStringLiteral("Artist - Title (ID3)"), QStringLiteral("Artist - Title [Album] (ID3)")});
  // As wide as its longest text needs, up to the page's edge.
  constexpr int kPageEdge = 224;
  cmbPlayListMode->setGeometry(50, y, std::clamp(cmbPlayListMode->sizeHint().width(), 157, kPageEdge - 50), 21);
  connect(cmbPlayListMode, &QComboBox::activated, this, [this] { cmbPlayListModeChange(); });
  cbxReadAllTagVersions = new QCheckBox(QStringLiteral("Read ID3v2.2 and ID3v2.4 tags too"), TabSheet2);
  cbxReadAllTagVersions->setGeometry(8, y + 27, 199, 18);
}

void TOptionsDlg::CreateSkinsPage() {
  TabSheet3 = new QWidget;
  PageControl1->addTab(TabSheet3, QStringLiteral("Skins"));
  auto* l2 = new QLabel(QStringLiteral("Selected Skin:"), TabSheet3);
  l2->setGeometry(8, 6, 84, 14);
  CurSkinLabel = new QLabel(TabSheet3);
  CurSkinLabel->setGeometry(94, 6, 113, 14);
  CurSkinLabel->setFont(BoldFont(font()));
  auto* dirLabel = new QLabel(QStringLiteral("Skin Directory"), TabSheet3);
  dirLabel->setGeometry(8, 26, 190, 14);
  EditSkinDir = new QLineEdit(TabSheet3);
  EditSkinDir->setGeometry(8, 42, 176, 21);
  dirLabel->setBuddy(EditSkinDir);
  ButtonSetSkinDirectory = new TSpeedButton(TabSheet3);
  ButtonSetSkinDirectory->setGeometry(186, 42, 21, 21);
  ButtonSetSkinDirectory->SetCaption(QStringLiteral("..."));
  ButtonSetSkinDirectory->setToolTip(QStringLiteral("Select Directory"));
  connect(ButtonSetSkinDirectory, &TSpeedButton::Click, this, &TOptionsDlg::ButtonSetSkinDirectoryClick);

  ListBoxSkins = new QListWidget(TabSheet3);
  ListBoxSkins->setGeometry(8, 70, 199, 124);
  ListBoxSkins->setToolTip(QStringLiteral("Click a skin to select it; right click to refresh"));
  SkinPopup = new QMenu(this);
  QAction* refresh = SkinPopup->addAction(QStringLiteral("Refresh skin directory"));
  SkinPopup->addSeparator();
  QAction* set = SkinPopup->addAction(QStringLiteral("Set selected skin"));
  connect(refresh, &QAction::triggered, this, &TOptionsDlg::RefreshSkins1Click);
  connect(set, &QAction::triggered, this, &TOptionsDlg::SetSkin1Click);
  connect(ListBoxSkins, &QListWidget::itemClicked, this, [this] { SetSkin1Click(); });
  ListBoxSkins->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListBoxSkins, &QWidget::customContextMenuRequested, this,
          [this](QPoint p) { SkinPopup->popup(ListBoxSkins->viewport()->mapToGlobal(p)); });
}

void TOptionsDlg::CreateAboutPage() {
  SheetAbout = new QWidget;
  PageControl1->addTab(SheetAbout, QStringLiteral("About"));
  Image1 = new TSkinImage(SheetAbout);
  Image1->setGeometry(4, 4, 207, 56);
  Image1->SetPicture(PaintLogo(207, 56));
  Image1->setCursor(Qt::PointingHandCursor);
  Image1->setToolTip(QString::fromStdString(ReadmePath()));
  Image1->installEventFilter(this);
  LabVersion = new QLabel(Image1);
  LabVersion->setGeometry(12, 38, 190, 14);
  QPalette silver = LabVersion->palette();
  silver.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
  LabVersion->setPalette(silver);
  LabVersion->setAttribute(Qt::WA_TransparentForMouseEvents);

  auto* shape = new QFrame(SheetAbout);  // Shape1: the black rectangle
  shape->setGeometry(4, 64, 207, 130);
  shape->setAutoFillBackground(true);
  QPalette black = shape->palette();
  black.setColor(QPalette::Window, Qt::black);
  shape->setPalette(black);
  AboutStatic = new QLabel(shape);
  AboutStatic->setGeometry(6, 4, 197, 122);
  AboutStatic->setWordWrap(false);
  AboutStatic->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette blue = AboutStatic->palette();
  blue.setColor(QPalette::WindowText, QColor(0, 152, 225));
  AboutStatic->setPalette(blue);
}

bool TOptionsDlg::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
    Image1Click();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

std::string TOptionsDlg::ReadmePath() const {
  const std::string local = context_.ProgramDir + "README.md";
  if (Paths::FileExists(local)) return local;
  return std::string(VELMARIS_DOC_DIR) + "/README.md";
}

void FillOptionsDialog(const TVelmarisOptions& o, TOptionsDlg& d, const std::string& programDir) {
  d.LabVersion->setText(QStringLiteral("Version 1.6 - Apr. 28, 2007"));
  d.AboutStatic->setText(QString::fromUtf8(TOptionsDlg::AboutText));
  d.EditMusicDir->setText(QString::fromStdString(o.MusicDir));
  d.EditSkinDir->setText(QString::fromStdString(o.SkinDir.empty() ? programDir + "Skins" : o.SkinDir));
  d.EditTaskDisplay->setText(QString::fromStdString(o.DispTask));
  d.EditNormalDisplay->setText(QString::fromStdString(o.DispNormal));
  d.EditMiniModeDisp->setText(QString::fromStdString(o.DispMini));
  d.CurSkinLabel->setText(o.LastSkinFile.empty() ? QString::fromLatin1(TOptionsDlg::BuiltInSkinName)
                                                  : QString::fromStdString(PathRules::ExtractFileName(o.LastSkinFile)));
  // An out-of-range mode shows no item, as a list with that index would.
  d.cmbPlayListMode->setCurrentIndex(o.PlayListMode >= 0 && o.PlayListMode < 4 ? o.PlayListMode : -1);
  d.cbxMinimizeToTray->setChecked(o.MinimizeToTray);
  d.cbxQuickFind->setChecked(o.QuickFind);
  d.cbxReadAllTagVersions->setChecked(o.ReadAllTagVersions);
  d.cbxPlayAllFormats->setChecked(o.PlayAllFormats);
}

void TOptionsDlg::FormShow() {
  for (int i = 0; i < AssociateList->count(); ++i) AssociateList->item(i)->setCheckState(Qt::Unchecked);
  PageControl1->setCurrentIndex(0);
  FillSkinList(EditSkinDir->text().toStdString());
  for (int i = 0; i < 5; ++i)
    if (IsAssociated(Associations[i].Ext)) AssociateList->item(i)->setCheckState(Qt::Checked);
}

void TOptionsDlg::ButtonSetMusicDirClick() {
  if (!context_.Dialogs) return;
  const std::string chosen =
      context_.Dialogs->BrowseFolder(this, "Choose Default Music Folder", EditMusicDir->text().toStdString());
  if (!chosen.empty()) EditMusicDir->setText(QString::fromStdString(chosen));
}

void TOptionsDlg::ButtonSetSkinDirectoryClick() {
  if (!context_.Dialogs) return;
  const std::string chosen =
      context_.Dialogs->BrowseFolder(this, "Choose Default Skin Folder", EditSkinDir->text().toStdString());
  if (!chosen.empty()) EditSkinDir->setText(QString::fromStdString(chosen));
  FillSkinList(EditSkinDir->text().toStdString());
}

void TOptionsDlg::cmbPlayListModeChange() { PlayListModeChanged = true; }

void TOptionsDlg::OKBtnClick() {
  if (PlayListModeChanged && context_.Dialogs) {
    context_.Dialogs->MessageBox(this, "Velmaris",
                                 "Show '" + cmbPlayListMode->currentText().toStdString() +
                                     "' will take effect when reloading a playlist or playing a song.",
                                 TMsgIcon::None);
  }
  PlayListModeChanged = false;
  for (int i = 0; i < AssociateList->count() && i < 5; ++i)
    ApplyAssociation(Associations[i].Ext, Associations[i].Description,
                     AssociateList->item(i)->checkState() == Qt::Checked);
}

void TOptionsDlg::Image1Click() {
  if (context_.Dialogs) context_.Dialogs->OpenInShell(ReadmePath());
}

static std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool TOptionsDlg::IsAssociated(const std::string& ext) {
  if (!RegExt) return false;
  std::unique_ptr<TExtInfo> info = RegExt->GetExtInfo(Lower(ext));
  if (!info) return false;
  return Lower(info->Path()) == Lower(AssociationCommandLine(context_.ProgramPath));
}

void TOptionsDlg::ApplyAssociation(const std::string& ext, const std::string& description, bool wanted) {
  if (!RegExt) return;
  const bool associated = IsAssociated(ext);
  if (wanted && !associated) {
    RegExt->Clear();
    RegExt->Add(ext, context_.ProgramPath, description);
    RegExt->Register();
  } else if (!wanted && associated) {
    RegExt->Unregister(ext);
  }
}

void TOptionsDlg::FillSkinList(const std::string& folder) {
  ListBoxSkins->clear();
  for (const std::string& name : SkinList::SkinListItems(folder)) ListBoxSkins->addItem(QString::fromStdString(name));
}

void TOptionsDlg::SetSkin1Click() {
  const QListWidgetItem* item = ListBoxSkins->currentItem();
  if (!item || !item->isSelected()) return;
  CurSkinLabel->setText(item->text());
}

void TOptionsDlg::RefreshSkins1Click() { FillSkinList(EditSkinDir->text().toStdString()); }

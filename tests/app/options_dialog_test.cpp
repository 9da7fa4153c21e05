// The options dialog as the main window shows it: filling, OK and Cancel,
// the playlist-mode message, associations and the skin choice.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>

#include <filesystem>

#include "options/FileExtension.h"
#include "app/OptionsDlg.h"
#include "support/WindowFixture.h"

namespace {

class OptionsDialog : public WindowFixture {
protected:
  // Runs the dialog; `edit` changes it, then OK (true) or Cancel (false).
  void Run(const std::function<void(TOptionsDlg&)>& edit, bool ok) {
    Dialogs.OnModal = [edit, ok](QDialog& d) {
      auto& dlg = static_cast<TOptionsDlg&>(d);
      if (edit) edit(dlg);
      (ok ? dlg.OKBtn : dlg.CancelBtn)->click();
      return d.result() == QDialog::Accepted;
    };
    Window->ShowOptions();
  }
  // The program path the window fixture hands the window.
  std::string ProgramPath() const { return Dir.Path() + "velmaris"; }
  std::string Command() const { return AssociationCommandLine(ProgramPath()); }
  void CheckItem(TOptionsDlg& d, int i, bool on) {
    d.AssociateList->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
};

TEST_F(OptionsDialog, FillsEveryControlFromTheSettings) {
  auto& w = CreateWindow();
  w.VelmarisOptions.MusicDir = "/music/";
  w.VelmarisOptions.SkinDir = "";
  w.VelmarisOptions.DispNormal = "$filename";
  w.VelmarisOptions.DispMini = "mini";
  w.VelmarisOptions.DispTask = "$pos";
  w.VelmarisOptions.LastSkinFile = "/skins/Blue.vskin";
  w.VelmarisOptions.PlayListMode = 3;
  w.VelmarisOptions.MinimizeToTray = true;
  w.VelmarisOptions.QuickFind = false;
  w.VelmarisOptions.ReadAllTagVersions = true;
  Run(
      [&](TOptionsDlg& d) {
        EXPECT_EQ(d.windowTitle(), QStringLiteral("Velmaris Options"));
        EXPECT_EQ(d.PageControl1->count(), 4);
        EXPECT_EQ(d.PageControl1->currentIndex(), 0);
        EXPECT_EQ(d.LabVersion->text(), QStringLiteral("Version 1.6 - Apr. 28, 2007"));
        EXPECT_EQ(d.AboutStatic->text().count(QLatin1Char('\n')), 8);  // nine lines
        EXPECT_EQ(d.EditMusicDir->text(), QStringLiteral("/music/"));
        EXPECT_EQ(d.EditSkinDir->text().toStdString(), Dir.Path() + "Skins");
        EXPECT_EQ(d.EditNormalDisplay->text(), QStringLiteral("$filename"));
        EXPECT_EQ(d.EditMiniModeDisp->text(), QStringLiteral("mini"));
        EXPECT_EQ(d.EditTaskDisplay->text(), QStringLiteral("$pos"));
        EXPECT_EQ(d.CurSkinLabel->text(), QStringLiteral("Blue.vskin"));
        EXPECT_EQ(d.cmbPlayListMode->currentText(), QStringLiteral("Artist - Title [Album] (ID3)"));
        EXPECT_TRUE(d.cbxMinimizeToTray->isChecked());
        EXPECT_FALSE(d.cbxQuickFind->isChecked());
        // On the page with the playlist display mode.
        EXPECT_TRUE(d.cbxReadAllTagVersions->isChecked());
        EXPECT_EQ(d.cbxReadAllTagVersions->parentWidget(), d.cmbPlayListMode->parentWidget());
        EXPECT_EQ(d.cbxReadAllTagVersions->text(), QStringLiteral("Read ID3v2.2 and ID3v2.4 tags too"));
        ASSERT_EQ(d.AssociateList->count(), 5);
        EXPECT_EQ(d.AssociateList->item(0)->text(), QStringLiteral(".mp3 audio files"));
        EXPECT_EQ(d.AssociateList->item(4)->text(), QStringLiteral(".pls playlist"));
      },
      false);
  EXPECT_EQ(Dialogs.ModalCount, 1);
}

TEST_F(OptionsDialog, TextsShowWhole) {
  auto& w = CreateWindow();
  w.VelmarisOptions.LastSkinFile = "";
  Run(
      [](TOptionsDlg& d) {
        EXPECT_EQ(d.CurSkinLabel->text(), QStringLiteral("Built-in"));
        // Every display mode fits the text field of the closed Show box.
        QComboBox* box = d.cmbPlayListMode;
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.rect = box->rect();
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box);
        for (int i = 0; i < box->count(); ++i) {
          const QString text = box->itemText(i);
          EXPECT_EQ(text, text.trimmed());
          EXPECT_LE(box->fontMetrics().horizontalAdvance(text), field.width()) << text.toStdString();
        }
        // Neither past the page nor over its label.
        EXPECT_LE(box->geometry().right(), box->parentWidget()->width());
        for (const QLabel* label : box->parentWidget()->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
          if (label->text() == QStringLiteral("Show:"))
            EXPECT_LE(label->x() + label->fontMetrics().horizontalAdvance(label->text()), box->x());
      },
      false);
}

TEST_F(OptionsDialog, OkWithoutChangesTouchesNoAssociationAndShowsNoMessage) {
  auto& w = CreateWindow();
  Run(nullptr, true);
  EXPECT_TRUE(Dialogs.Messages.empty());
  TRegExtension reg(Registry);
  for (const char* ext : {".mp3", ".vpls", ".b4s", ".m3u", ".pls"}) EXPECT_FALSE(reg.IsRegistered(ext)) << ext;
  EXPECT_EQ(w.CaptionLabel->text(), QStringLiteral("Velmaris "));
  EXPECT_EQ(w.ApplicationTitle(), "Velmaris ");
}

TEST_F(OptionsDialog, ModeChangeShowsTheMessageOnceOnOkAndNothingOnCancel) {
  auto& w = CreateWindow();
  w.VelmarisOptions.PlayListMode = 0;
  Run(
      [](TOptionsDlg& d) {
        d.cmbPlayListMode->setCurrentIndex(2);
        d.cmbPlayListModeChange();
      },
      false);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(w.VelmarisOptions.PlayListMode, 0);
  Run(
      [](TOptionsDlg& d) {
        d.cmbPlayListMode->setCurrentIndex(3);
        d.cmbPlayListModeChange();
      },
      true);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text,
            "Show 'Artist - Title [Album] (ID3)' will take effect when reloading a playlist or playing a song.");
  EXPECT_EQ(w.VelmarisOptions.PlayListMode, 3);
}

TEST_F(OptionsDialog, OkCopiesEveryValueBackAndCancelNothing) {
  auto& w = CreateWindow();
  auto edit = [](TOptionsDlg& d) {
    d.EditMusicDir->setText(QStringLiteral("/new/music"));
    d.EditSkinDir->setText(QStringLiteral("/new/skins"));
    d.EditNormalDisplay->setText(QStringLiteral("N $pos"));
    d.EditMiniModeDisp->setText(QStringLiteral("M"));
    d.EditTaskDisplay->setText(QStringLiteral("T"));
    d.cbxMinimizeToTray->setChecked(true);
    d.cbxQuickFind->setChecked(false);
    d.cbxReadAllTagVersions->setChecked(true);
  };
  const TVelmarisOptions before = w.VelmarisOptions;
  Run(edit, false);
  EXPECT_EQ(w.VelmarisOptions, before);
  Run(edit, true);
  EXPECT_EQ(w.VelmarisOptions.MusicDir, "/new/music");
  EXPECT_EQ(w.VelmarisOptions.SkinDir, "/new/skins");
  EXPECT_EQ(w.VelmarisOptions.DispNormal, "N $pos");
  EXPECT_EQ(w.VelmarisOptions.DispMini, "M");
  EXPECT_EQ(w.VelmarisOptions.DispTask, "T");
  EXPECT_TRUE(w.VelmarisOptions.MinimizeToTray);
  EXPECT_FALSE(w.VelmarisOptions.QuickFind);
  EXPECT_TRUE(w.VelmarisOptions.ReadAllTagVersions);
}

TEST_F(OptionsDialog, CheckingTakesOverAnotherProgramsTypeAndShowsItCheckedNextTime) {
  CreateWindow();
  {
    TRegExtension other(Registry);
    other.Add(".m3u", "/usr/bin/otherplayer", "Other Playlist");
    ASSERT_TRUE(other.Register());
  }
  Run([&](TOptionsDlg& d) {
        EXPECT_EQ(d.AssociateList->item(3)->checkState(), Qt::Unchecked);
        CheckItem(d, 3, true);
      },
      true);
  TRegExtension reg(Registry);
  auto info = reg.GetExtInfo(".m3u");
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Path(), Command());
  Run([](TOptionsDlg& d) { EXPECT_EQ(d.AssociateList->item(3)->checkState(), Qt::Checked); }, false);
}

TEST_F(OptionsDialog, UncheckingRemovesOnlyOurOwnRegistration) {
  CreateWindow();
  {
    TRegExtension reg(Registry);
    // Ours, written with other letter case: still counts as ours.
    std::string upper = ProgramPath();
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    reg.Add(".mp3", upper, "MP3 Velmaris Audio File");
    reg.Add(".pls", "/usr/bin/otherplayer", "Other");
    ASSERT_TRUE(reg.Register());
  }
  Run([&](TOptionsDlg& d) {
        EXPECT_EQ(d.AssociateList->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(d.AssociateList->item(4)->checkState(), Qt::Unchecked);
        CheckItem(d, 0, false);
      },
      true);
  TRegExtension reg(Registry);
  EXPECT_FALSE(reg.IsRegistered(".mp3"));
  // The other program's .pls stays as it was.
  auto pls = reg.GetExtInfo(".pls");
  ASSERT_TRUE(pls);
  EXPECT_NE(pls->Path().find("otherplayer"), std::string::npos);
}

TEST_F(OptionsDialog, RegistrationsWriteTheExpectedCommandAndDescription) {
  CreateWindow();
  Run([&](TOptionsDlg& d) {
        for (int i = 0; i < 5; ++i) CheckItem(d, i, true);
      },
      true);
  TRegExtension reg(Registry);
  for (const auto& a : TOptionsDlg::Associations) {
    auto info = reg.GetExtInfo(a.Ext);
    ASSERT_TRUE(info) << a.Ext;
    EXPECT_EQ(info->Path(), Command());
    EXPECT_EQ(info->Description(), a.Description);
  }
  EXPECT_EQ(reg.ReadValue(std::string("\\mp3file\\shell\\open\\command"), ""), Command());
}

TEST_F(OptionsDialog, SkinListShowsScriptsOfTheFolderAndTheChoiceLoadsOnlyOnOk) {
  auto& w = CreateWindow();
  const std::string skins = Dir.Path() + "Skins";
  std::filesystem::create_directories(skins);
  testsupport::WriteAll(skins + "/b.VSKIN", "x");
  testsupport::WriteAll(skins + "/a.vskin", "x");
  testsupport::WriteAll(skins + "/notes.txt", "x");
  w.VelmarisOptions.SkinDir = skins;
  Run([&](TOptionsDlg& d) {
        ASSERT_EQ(d.ListBoxSkins->count(), 2);
        EXPECT_EQ(d.ListBoxSkins->item(0)->text(), QStringLiteral("a.vskin"));
        EXPECT_EQ(d.ListBoxSkins->item(1)->text(), QStringLiteral("b.VSKIN"));
        // Without a selection the current skin stays.
        const QString current = d.CurSkinLabel->text();
        d.ListBoxSkins->setCurrentItem(nullptr);
        d.SetSkin1Click();
        EXPECT_EQ(d.CurSkinLabel->text(), current);
        d.ListBoxSkins->setCurrentRow(1);
        d.SetSkin1Click();
        EXPECT_EQ(d.CurSkinLabel->text(), QStringLiteral("b.VSKIN"));
      },
      false);
  EXPECT_EQ(w.VelmarisOptions.LastSkinFile, "");
  // The skin script here is not a valid one: OK tries to load it, and the
  // error of the load reaches the caller.
  EXPECT_THROW(Run(
                   [&](TOptionsDlg& d) {
                     d.ListBoxSkins->setCurrentRow(0);
                     d.SetSkin1Click();
                   },
                   true),
               std::exception);
}

TEST_F(OptionsDialog, FolderPickersUseTheirTitlesAndRefillTheSkinList) {
  CreateWindow();
  Dialogs.FolderAnswers = {"/chosen/music", ""};
  Run([&](TOptionsDlg& d) {
        d.ButtonSetMusicDirClick();
        EXPECT_EQ(d.EditMusicDir->text(), QStringLiteral("/chosen/music"));
        d.ListBoxSkins->addItem(QStringLiteral("stale"));
        d.ButtonSetSkinDirectoryClick();  // cancelled: still refilled
        EXPECT_EQ(d.ListBoxSkins->count(), 0);
        d.Image1Click();
      },
      false);
  ASSERT_GE(Dialogs.Titles.size(), 2u);
  EXPECT_EQ(Dialogs.Titles[Dialogs.Titles.size() - 2], "Choose Default Music Folder");
  EXPECT_EQ(Dialogs.Titles.back(), "Choose Default Skin Folder");
  ASSERT_EQ(Dialogs.Opened.size(), 1u);
  EXPECT_NE(Dialogs.Opened[0].find("README.md"), std::string::npos);
}

// The switch for the other formats: on the first page (which the first
// run's dialog opens on), off by default, taken over only with OK; on, the
// open dialog offers one more filter and keeps its default one.
TEST_F(OptionsDialog, PlayAllFormatsCheckBoxAndTheOpenDialogsFilter) {
  auto& w = CreateWindow();
  auto check = [](TOptionsDlg& d) {
    EXPECT_EQ(d.PageControl1->indexOf(d.cbxPlayAllFormats->parentWidget()), 0);
    EXPECT_FALSE(d.cbxPlayAllFormats->isChecked());
    EXPECT_EQ(d.cbxPlayAllFormats->text().replace(QLatin1Char('\n'), QLatin1Char(' ')),
              QStringLiteral("Play FLAC, Ogg Vorbis, Opus and WAV files too"));
    EXPECT_EQ(d.cbxPlayAllFormats->accessibleName(), QStringLiteral("Play FLAC, Ogg Vorbis, Opus and WAV files too"));
    d.cbxPlayAllFormats->setChecked(true);
  };
  Run(check, false);
  EXPECT_FALSE(w.VelmarisOptions.PlayAllFormats);
  w.OpenButtonClick(); // cancelled
  Run(check, true);
  EXPECT_TRUE(w.VelmarisOptions.PlayAllFormats);
  Run([](TOptionsDlg& d) { EXPECT_TRUE(d.cbxPlayAllFormats->isChecked()); }, false);
  w.OpenButtonClick();
  ASSERT_EQ(Dialogs.Filters.size(), 2u);
  EXPECT_EQ(Dialogs.Filters[0], TFrmMainVelmaris::OpenFilter);
  EXPECT_EQ(Dialogs.Filters[1], TFrmMainVelmaris::OpenFilter +
                                    "|Audio files (*.flac)(*.ogg)(*.oga)(*.opus)(*.wav)|*.flac;*.ogg;*.oga;*.opus;*.wav");
  EXPECT_EQ(Dialogs.FilterIndexes, (std::vector<int>{3, 3}));
}

} // namespace

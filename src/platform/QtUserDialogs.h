#pragma once
#include <QStringList>

#include "platform/UserDialogs.h"

// The real dialogs: QMessageBox, QFileDialog and QDesktopServices.
class QtUserDialogs : public UserDialogs {
public:
  void MessageBox(QWidget* owner, const std::string& caption, const std::string& text, TMsgIcon icon) override;
  void ShowError(QWidget* owner, const std::string& text) override;
  std::vector<std::string> OpenFiles(QWidget* owner, const std::string& title, const std::string& filter,
                                     int filterIndex, bool multiSelect) override;
  std::string SaveFile(QWidget* owner, const std::string& title, const std::string& filter,
                       const std::string& defaultExt) override;
  std::string BrowseFolder(QWidget* owner, const std::string& title, const std::string& start) override;
  bool ExecModal(QDialog& dialog) override;
  void OpenInShell(const std::string& pathOrUrl) override;
};

// "desc|pattern|desc|pattern" -> Qt's name filters "desc (p1 p2)".
QStringList ConvertDialogFilter(const std::string& filter);

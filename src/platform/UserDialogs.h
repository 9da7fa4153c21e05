#pragma once
// Everything modal goes through this interface, so the windows can be driven
// headless by tests (a recording fake) and by the real program (QtUserDialogs).
#include <string>
#include <vector>

class QDialog;
class QWidget;

enum class TMsgIcon { None, Error, Information, Warning };

class UserDialogs {
public:
  virtual ~UserDialogs() = default;

  // A modal message box with an OK button. Ctrl+C copies caption and text.
  virtual void MessageBox(QWidget* owner, const std::string& caption, const std::string& text,
                          TMsgIcon icon) = 0;
  // The application's error display for an error that escaped a handler.
  virtual void ShowError(QWidget* owner, const std::string& text) = 0;

  // Open dialog. `filter` is "desc|pattern|desc|pattern..."; filterIndex is
  // 1-based. Returns the chosen files; empty when cancelled.
  virtual std::vector<std::string> OpenFiles(QWidget* owner, const std::string& title,
                                             const std::string& filter, int filterIndex,
                                             bool multiSelect) = 0;
  // Save dialog; empty when cancelled. The dialog asks before overwriting.
  virtual std::string SaveFile(QWidget* owner, const std::string& title, const std::string& filter,
                               const std::string& defaultExt) = 0;
  // Folder browser; empty when cancelled. `start` is preselected when it exists.
  virtual std::string BrowseFolder(QWidget* owner, const std::string& title,
                                   const std::string& start) = 0;
  // Runs a form modally (the options dialog); true when it closed with OK.
  virtual bool ExecModal(QDialog& dialog) = 0;
  // The shell's "open" of a folder or web address. No error is reported.
  virtual void OpenInShell(const std::string& pathOrUrl) = 0;
};

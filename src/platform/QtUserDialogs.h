#pragma once
#include <QStringList>

#include "platform/UserDialogs.h"

// The real dialogs: QMessageBox, QFileDialog and QDesktopServices.
// At most one message box is open at a time: a message that comes while one
// is open (from a timer, the bus, an error in its own event loop) waits, and
// when the box closes the first waiting one is shown with how many more came
// ("... and 2,199 more"); boxes never nest.
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

private:
  struct Message {
    std::string caption, text;
    TMsgIcon icon = TMsgIcon::None;
  };
  void ShowBox(QWidget* owner, const Message& message);

  bool boxOpen_ = false;
  bool haveWaiting_ = false;
  Message waiting_;         // the first message that came while the box was open
  size_t moreWaiting_ = 0;  // how many came after it
};

// "<text>\n\n... and 2,199 more messages" (nothing added for 0).
std::string WithMoreMessages(const std::string& text, size_t more);

// What a message box shows of a text: Utf8Text::MessageText (UTF-8 or else
// Latin-1, at most Utf8Text::kMaxMessageChars characters and
// kMaxMessageLines lines, keeping the start and end of a long path).
QString MessageBoxText(const std::string& text);
// A message box caption: shown as ForDisplay, at most kMaxCaptionChars characters.
inline constexpr size_t kMaxCaptionChars = 200;
QString MessageBoxCaption(const std::string& caption);

// "desc|pattern|desc|pattern" -> Qt's name filters "desc (p1 p2)".
QStringList ConvertDialogFilter(const std::string& filter);

#include "platform/QtUserDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "text/Utf8Text.h"

QStringList ConvertDialogFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    // "*.*" means every file on the platform the filters were written for.
    if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
    out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return out;
}

QString MessageBoxText(const std::string& text) { return QString::fromStdString(Utf8Text::MessageText(text)); }

QString MessageBoxCaption(const std::string& caption) {
  return QString::fromStdString(Utf8Text::ForDisplay(Utf8Text::ShortenMiddle(caption, kMaxCaptionChars)));
}

std::string WithMoreMessages(const std::string& text, size_t more) {
  if (more == 0) return text;
  // Thousands separated by commas, as the count may run high.
  std::string digits = std::to_string(more);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return text + "\n\n... and " + digits + (more == 1 ? " more message" : " more messages");
}

void QtUserDialogs::MessageBox(QWidget* owner, const std::string& caption, const std::string& text, TMsgIcon icon) {
  if (boxOpen_) {
    if (haveWaiting_) {
      ++moreWaiting_;
    } else {
      waiting_ = {caption, text, icon};
      haveWaiting_ = true;
    }
    return;
  }
  boxOpen_ = true;
  Message message{caption, text, icon};
  while (true) {
    ShowBox(owner, message);
    // A closing program ends the box's loop: what waits is not shown.
    if (!haveWaiting_ || QCoreApplication::closingDown()) break;
    message = waiting_;
    message.text = WithMoreMessages(message.text, moreWaiting_);
    haveWaiting_ = false;
    moreWaiting_ = 0;
  }
  haveWaiting_ = false;
  moreWaiting_ = 0;
  boxOpen_ = false;
}

void QtUserDialogs::ShowBox(QWidget* owner, const Message& message) {
  const std::string& caption = message.caption;
  const std::string& text = message.text;
  const TMsgIcon icon = message.icon;
  QMessageBox box(owner);
  // Any length and any bytes may arrive (a path from a damaged playlist):
  // laying out megabytes of text would hold the program for minutes.
  box.setWindowTitle(MessageBoxCaption(caption));
  box.setText(MessageBoxText(text));
  box.setTextFormat(Qt::PlainText);
  switch (icon) {
    case TMsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TMsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
}

void QtUserDialogs::ShowError(QWidget* owner, const std::string& text) {
  MessageBox(owner, "Velmaris", text, TMsgIcon::Error);
}

std::vector<std::string> QtUserDialogs::OpenFiles(QWidget* owner, const std::string& title, const std::string& filter,
                                                  int filterIndex, bool multiSelect) {
  QFileDialog dlg(owner, QString::fromStdString(title));
  dlg.setFileMode(multiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  const QStringList filters = ConvertDialogFilter(filter);
  dlg.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size()) dlg.selectNameFilter(filters[filterIndex - 1]);
  std::vector<std::string> out;
  if (dlg.exec() != QDialog::Accepted) return out;
  for (const QString& f : dlg.selectedFiles()) out.push_back(f.toStdString());
  return out;
}

std::string QtUserDialogs::SaveFile(QWidget* owner, const std::string& title, const std::string& filter,
                                    const std::string& defaultExt) {
  QFileDialog dlg(owner, QString::fromStdString(title));
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  dlg.setNameFilters(ConvertDialogFilter(filter));
  dlg.setDefaultSuffix(QString::fromStdString(defaultExt));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().front().toStdString();
}

std::string QtUserDialogs::BrowseFolder(QWidget* owner, const std::string& title, const std::string& start) {
  QString dir = QString::fromStdString(start);
  if (!QFileInfo(dir).isDir()) dir.clear();
  const QString chosen = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title), dir,
                                                           QFileDialog::ShowDirsOnly);
  return chosen.toStdString();
}

bool QtUserDialogs::ExecModal(QDialog& dialog) { return dialog.exec() == QDialog::Accepted; }

void QtUserDialogs::OpenInShell(const std::string& pathOrUrl) {
  const QString s = QString::fromStdString(pathOrUrl);
  const QUrl url = s.contains(QStringLiteral("://")) ? QUrl(s) : QUrl::fromLocalFile(s);
  QDesktopServices::openUrl(url);
}

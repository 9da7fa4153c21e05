#include "app/QuickFindBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

#include "app/widgets/PlayListBox.h"
#include "app/widgets/VirtualKeys.h"
#include "playlist/PlayList.h"

namespace {

// The characters that open quick find when typed in the list.
bool IsOpeningChar(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '(' || u == ')' ||
         u == '[' || u == ']' || u == '-' || u == '_';
}

// The box holds small letters only: every letter that reaches it is turned
// into its small form.
class LowerCaseValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    input = input.toLower();
    return Acceptable;
  }
};

} // namespace

QuickFindBox::QuickFindBox(QLineEdit* edit, QWidget* list, PlayList& playlist,
                           std::function<void(const std::function<void()>&)> guarded)
    : QObject(edit), edit_(edit), list_(list), playlist_(playlist), guarded_(std::move(guarded)) {
  edit_->setValidator(new LowerCaseValidator(edit_));
  edit_->installEventFilter(this);
}

bool QuickFindBox::Open(const QString& ch) {
  if (ch.size() != 1 || !IsOpeningChar(ch.at(0))) return false;
  Idle = 0;
  edit_->show();
  edit_->setFocus();
  edit_->setText(edit_->text() + ch.toLower());
  edit_->end(false);
  // No search yet; the character goes on to the list's own type-ahead.
  return true;
}

void QuickFindBox::KeyDown(int key) {
  bool close = key == VirtualKey::Escape;
  if (!close) {
    Idle = 0;
    close = playlist_.QuickFindStep(edit_->text().toStdString(), key == VirtualKey::Enter);
  }
  if (close) Close();
  if (edit_->isHidden()) list_->setFocus();
}

void QuickFindBox::IdleStep() {
  if (edit_->isHidden()) return;
  if (Idle >= IdleTicks) {
    Idle = 0;
    Close();
    list_->setFocus();
  } else {
    ++Idle;
  }
}

void QuickFindBox::Close() {
  edit_->hide();
  edit_->clear();
}

bool QuickFindBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  // Every key going down in the box reaches the search before the box sees
  // it, so the search reads the text without the key's character.
  auto* ke = static_cast<QKeyEvent*>(event);
  const int key = TPlayListBox::VirtualKeyOf(ke);
  guarded_([this, key] { KeyDown(key); });
  // Enter neither inserts a line end nor beeps.
  const QString text = ke->text();
  return text == QStringLiteral("\r") || text == QStringLiteral("\n");
}

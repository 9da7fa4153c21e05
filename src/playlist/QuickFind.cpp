// Quick find and the playlist's keys and mouse: Enter and double-click play
// the focused line, Delete removes the selection, Esc clears it, a typed
// letter opens the quick-find box, and the pointer shows the line under it.
#include "app/FrmMainVelmaris.h"

#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>
#include <QValidator>

#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"

namespace {

// The characters that open quick find when typed in the list.
bool IsOpeningChar(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '(' || u == ')' ||
         u == '[' || u == ']' || u == '-' || u == '_';
}

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

void TFrmMainVelmaris::InitPlayListEvents() {
  connect(PlayList, &TPlayListBox::KeyDown, this, [this](int key) { Guarded([this, key] { PlayListKeyDown(key); }); });
  connect(PlayList, &TPlayListBox::KeyUp, this, [this](int key) { Guarded([this, key] { PlayListKeyUp(key); }); });
  connect(PlayList, &TPlayListBox::KeyChar, this,
          [this](const QString& ch) { Guarded([this, &ch] { PlayListKeyPress(ch); }); });
  connect(PlayList, &TPlayListBox::MouseMoved, this,
          [this](QPoint pos) { Guarded([this, pos] { PlayListMouseMove(pos); }); });
  QuickFindEdit->setValidator(new LowerCaseValidator(QuickFindEdit));
  QuickFindEdit->installEventFilter(new QuickFindEditKeys(this, QuickFindEdit));
}

int TFrmMainVelmaris::FindInPlayList(const std::string& text, int start, bool caseSensitive) const {
  const TPlayListModel* m = PlayListModel;
  const int n = m->Count();
  if (start < 0) start = 0;
  if (caseSensitive) {
    for (int i = start; i < n; ++i)
      if (m->Text(i).starts_with(text)) return i;
    const std::string word = " " + text;
    for (int i = start; i < n; ++i)
      if (m->Text(i).find(word) != std::string::npos) return i;
    return -1;
  }
  const TPlayListModel::LowerText needle = TPlayListModel::LowerNeedle(QString::fromUtf8(text));
  for (int i = start; i < n; ++i)
    if (TPlayListModel::StartsWithLower(m->Text(i), needle)) return i;
  for (int i = start; i < n; ++i)
    if (TPlayListModel::HasWordLower(m->Text(i), needle)) return i;
  return -1;
}

void TFrmMainVelmaris::PlayListKeyDown(int key) {
  if (key == 46) ButtonRemoveClick();
}

void TFrmMainVelmaris::PlayListKeyUp(int key) {
  if (key == 13) PlayListDblClick();
  else if (key == 27) PlayList->DeselectAll();
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
  bool close = key == 27;
  if (!close) {
    QuickFindIdle = 0;
    int start = 0;
    if (key == 13) {
      start = PlayList->ItemIndex() + 1;  // 0 when there is no focused line
      LastFoundIndex = -1;
    }
    const int hit = FindInPlayList(QuickFindEdit->text().toStdString(), start, false);
    if (hit >= 0) {
      PlayList->SetItemIndex(hit);
      PlayList->SetSelected(hit, true);
      if (LastFoundIndex >= 0 && LastFoundIndex != hit) PlayList->SetSelected(LastFoundIndex, false);
      if (key != 13) LastFoundIndex = hit;
    } else if (key == 13) {
      close = true;
    } else if (PlayList->selectionModel()->hasSelection()) {
      PlayList->SetItemIndex(0);
      PlayList->DeselectAll();
    }
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
  if (QuickFindIdle >= 4) {
    QuickFindIdle = 0;
    HideQuickFind(QuickFindEdit);
    PlayList->setFocus();
  } else {
    ++QuickFindIdle;
  }
}

void TFrmMainVelmaris::PlayListMouseMove(QPoint pos) {
  const QModelIndex at = PlayList->indexAt(pos);
  const QString hint = at.isValid() ? QString::fromUtf8(PlayListModel->Text(at.row()))
                                    : QStringLiteral("Drag and Drop Files Here");
  if (hint == PlayList->toolTip()) return;
  PlayList->setToolTip(hint);
  // A hint already on screen follows the pointer to the new line.
  if (QToolTip::isVisible()) QToolTip::showText(QCursor::pos(), hint, PlayList->viewport());
}

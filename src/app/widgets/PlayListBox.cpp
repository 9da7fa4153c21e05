#include "app/widgets/PlayListBox.h"

#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "app/widgets/VirtualKeys.h"
#include "playlist/PlayList.h"

namespace {

// Draws the lines at the list's fixed line height and marks the focused line
// with a dotted frame also while the list has no keyboard focus, so the
// current line (the one that plays next) is always visible.
class TPlayListDelegate : public QStyledItemDelegate {
public:
  explicit TPlayListDelegate(TPlayListBox* list) : QStyledItemDelegate(list), list_(list) {}

  static constexpr int LineHeight = 13;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(LineHeight);
    return s;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_HasFocus;  // the mark below replaces the style's own
    QStyledItemDelegate::paint(painter, opt, index);
    if (index != list_->currentIndex()) return;
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    QPen pen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    pen.setStyle(Qt::DotLine);
    pen.setWidth(1);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
  }

private:
  TPlayListBox* list_;
};

} // namespace

TPlayListBox::TPlayListBox(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  // The list scrolls sideways by a few pixels at most: no horizontal bar.
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setItemDelegate(new TPlayListDelegate(this));
  viewport()->setMouseTracking(true);
  clock_.start();
}

void TPlayListBox::SetPlayList(PlayList* list) {
  list_ = list;
  setModel(list->Model());
  // Focus and selection live in the playlist: its selection model replaces
  // the one the view made for itself.
  QItemSelectionModel* made = selectionModel();
  setSelectionModel(list->Selection());
  if (made && made != list->Selection()) delete made;
  connect(list, &PlayList::ScrollTo, this, [this](int i) { scrollTo(model()->index(i, 0)); });
}

int64_t TPlayListBox::Now() const { return now_ ? now_() : clock_.elapsed(); }

void TPlayListBox::keyboardSearch(const QString& search) {
  if (search.isEmpty() || !model()) return;
  const int64_t now = Now();
  if (!typedBefore_ || now - lastTypeAhead_ >= TypeAheadDelayMs) prefix_.clear();
  prefix_ += search;
  lastTypeAhead_ = now;
  typedBefore_ = true;
  const TPlayListModel::LowerText needle = TPlayListModel::LowerNeedle(prefix_);
  const int n = list_->Count();
  for (int i = 0; i < n; ++i) {
    if (TPlayListModel::StartsWithLower(list_->Text(i), needle)) {
      list_->SelectOnly(i);
      return;
    }
  }
}

int TPlayListBox::VirtualKeyOf(const QKeyEvent* e) {
  const int k = e->key();
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // same numbers as the capitals
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return k;
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return VirtualKey::F1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return VirtualKey::Backspace;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VirtualKey::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return VirtualKey::Enter;
    case Qt::Key_Shift: return VirtualKey::Shift;
    case Qt::Key_Control: return VirtualKey::Control;
    case Qt::Key_Alt: return VirtualKey::Alt;
    case Qt::Key_Pause: return VirtualKey::Pause;
    case Qt::Key_CapsLock: return VirtualKey::CapsLock;
    case Qt::Key_Escape: return VirtualKey::Escape;
    case Qt::Key_Space: return VirtualKey::Space;
    case Qt::Key_PageUp: return VirtualKey::PageUp;
    case Qt::Key_PageDown: return VirtualKey::PageDown;
    case Qt::Key_End: return VirtualKey::End;
    case Qt::Key_Home: return VirtualKey::Home;
    case Qt::Key_Left: return VirtualKey::Left;
    case Qt::Key_Up: return VirtualKey::Up;
    case Qt::Key_Right: return VirtualKey::Right;
    case Qt::Key_Down: return VirtualKey::Down;
    case Qt::Key_Insert: return VirtualKey::Insert;
    case Qt::Key_Delete: return VirtualKey::Delete;
    default: return VirtualKey::None;
  }
}

void TPlayListBox::mousePressEvent(QMouseEvent* e) {
  // The list's own handling first, for the right button too: a right press
  // on a line that is not selected selects it (and focuses it), so the popup
  // menu acts on the line under the pointer; on a selected line the
  // selection stays.
  QListView::mousePressEvent(e);
  emit MousePressed(e->button(), e->globalPosition().toPoint());
}

void TPlayListBox::mouseMoveEvent(QMouseEvent* e) {
  emit MouseMoved(e->position().toPoint());
  QListView::mouseMoveEvent(e);
}

void TPlayListBox::keyPressEvent(QKeyEvent* e) {
  const int vk = VirtualKeyOf(e);
  if (!e->isAutoRepeat()) pressed_.insert(vk);
  if (vk == VirtualKey::Delete) {
    emit KeyDown(vk);
    e->accept();
    return;
  }
  emit KeyDown(vk);
  const QString text = e->text();
  const bool command = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!command && !text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F)
    emit KeyChar(text);
  if (vk == VirtualKey::Enter || vk == VirtualKey::Escape) {
    // Enter and Esc act when they come up (KeyUp).
    e->accept();
    return;
  }
  if (vk == VirtualKey::Left || vk == VirtualKey::Right) {
    // In a one-column list Left and Right move like Up and Down. They stay
    // in the list even at its ends: the window's own left and right keys
    // step through the songs and must not see them.
    QKeyEvent moved(e->type(), vk == VirtualKey::Left ? Qt::Key_Up : Qt::Key_Down, e->modifiers(), e->nativeScanCode(),
                    e->nativeVirtualKey(), e->nativeModifiers(), QString(), e->isAutoRepeat(),
                    static_cast<quint16>(e->count()));
    QListView::keyPressEvent(&moved);
    e->accept();
    return;
  }
  QListView::keyPressEvent(e);
}

void TPlayListBox::keyReleaseEvent(QKeyEvent* e) {
  // A key acts only when it went down here too: the release of the Enter
  // that closed a message box, or of a key pressed in another control, is
  // not the list's.
  if (!e->isAutoRepeat() && pressed_.erase(VirtualKeyOf(e)) > 0) emit KeyUp(VirtualKeyOf(e));
  QListView::keyReleaseEvent(e);
}

void TPlayListBox::focusOutEvent(QFocusEvent* e) {
  pressed_.clear();  // their releases go elsewhere
  QListView::focusOutEvent(e);
}

bool TPlayListBox::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    // The list's hint (set as the pointer moves) rather than a per-line one.
    auto* he = static_cast<QHelpEvent*>(e);
    if (toolTip().isEmpty()) QToolTip::hideText();
    else QToolTip::showText(he->globalPos(), toolTip(), viewport(), QRect(), toolTipDuration());
    return true;
  }
  return QListView::viewportEvent(e);
}

void TPlayListBox::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  // The view works out the screen area of every changed range, at some cost
  // per range; after a change of many ranges (invert, a selection restored
  // after removing lines) repainting the visible lines is far cheaper.
  if (selected.size() + deselected.size() > 32) {
    viewport()->update();
    return;
  }
  QListView::selectionChanged(selected, deselected);
}

void TPlayListBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QListView::mouseDoubleClickEvent(e);
  // A list box plays its focused line on a double click anywhere in it, also
  // below the last line, where the view itself reports nothing.
  if (e->button() == Qt::LeftButton) emit DoubleClicked();
}

#include "playlist/PlayListBox.h"

#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "playlist/PlayListModel.h"

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

TPlayListModel* TPlayListBox::Model() const { return static_cast<TPlayListModel*>(model()); }

int TPlayListBox::ItemIndex() const {
  const QModelIndex c = currentIndex();
  return c.isValid() ? c.row() : -1;
}

void TPlayListBox::SetItemIndex(int i) {
  if (i < 0 || i >= Model()->Count()) {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  selectionModel()->setCurrentIndex(model()->index(i, 0), QItemSelectionModel::NoUpdate);
}

bool TPlayListBox::Selected(int i) const {
  if (i < 0 || i >= Model()->Count()) return false;
  return selectionModel()->isSelected(model()->index(i, 0));
}

void TPlayListBox::SetSelected(int i, bool on) {
  if (i < 0 || i >= Model()->Count()) return;
  selectionModel()->select(model()->index(i, 0),
                           on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

std::vector<char> TPlayListBox::SelectedFlags() const {
  const int n = Model()->Count();
  std::vector<char> flags(static_cast<size_t>(n), 0);
  // The selection's ranges, not a test per line: asking line by line costs
  // the number of ranges each time.
  const QItemSelection sel = selectionModel()->selection();
  for (const QItemSelectionRange& r : sel) {
    if (!r.isValid()) continue;
    const int top = std::max(0, r.top());
    const int bottom = std::min(n - 1, r.bottom());
    for (int row = top; row <= bottom; ++row) flags[static_cast<size_t>(row)] = 1;
  }
  return flags;
}

int TPlayListBox::SelCount() const {
  int count = 0;
  for (char f : SelectedFlags()) count += f ? 1 : 0;
  return count;
}

void TPlayListBox::SetSelectedFlags(const std::vector<char>& flags) {
  const int n = std::min(Model()->Count(), static_cast<int>(flags.size()));
  QItemSelection sel;
  for (int i = 0; i < n;) {
    if (!flags[static_cast<size_t>(i)]) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < n && flags[static_cast<size_t>(j) + 1]) ++j;
    sel.append(QItemSelectionRange(model()->index(i, 0), model()->index(j, 0)));
    i = j + 1;
  }
  // Clear first, then select into the empty selection: the selection model
  // compares old and new selections range by range, which is cheap only when
  // one side is empty.
  selectionModel()->clearSelection();
  if (!sel.isEmpty()) selectionModel()->select(sel, QItemSelectionModel::Select);
}

void TPlayListBox::SelectOnly(int i) {
  if (i < 0 || i >= Model()->Count()) return;
  const QModelIndex idx = model()->index(i, 0);
  selectionModel()->clearSelection();
  selectionModel()->setCurrentIndex(idx, QItemSelectionModel::Select);
  scrollTo(idx);
}

void TPlayListBox::DeselectAll() { selectionModel()->clearSelection(); }

int64_t TPlayListBox::Now() const { return now_ ? now_() : clock_.elapsed(); }

void TPlayListBox::keyboardSearch(const QString& search) {
  if (search.isEmpty() || !model()) return;
  const int64_t now = Now();
  if (!typedBefore_ || now - lastTypeAhead_ >= TypeAheadDelayMs) prefix_.clear();
  prefix_ += search;
  lastTypeAhead_ = now;
  typedBefore_ = true;
  const TPlayListModel::LowerText needle = TPlayListModel::LowerNeedle(prefix_);
  const TPlayListModel* m = Model();
  const int n = m->Count();
  for (int i = 0; i < n; ++i) {
    if (TPlayListModel::StartsWithLower(m->Text(i), needle)) {
      SelectOnly(i);
      return;
    }
  }
}

int TPlayListBox::VirtualKeyOf(const QKeyEvent* e) {
  const int k = e->key();
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // same numbers as the capitals
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return k;
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: case Qt::Key_Backtab: return 9;
    case Qt::Key_Return: case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
  }
}

void TPlayListBox::mousePressEvent(QMouseEvent* e) {
  // A right press leaves the selection and the focused line as they are; the
  // popup menu then acts on what was selected before.
  if (e->button() != Qt::RightButton) QListView::mousePressEvent(e);
  else e->accept();
  emit MousePressed(e->button(), e->globalPosition().toPoint());
}

void TPlayListBox::mouseMoveEvent(QMouseEvent* e) {
  emit MouseMoved(e->position().toPoint());
  QListView::mouseMoveEvent(e);
}

void TPlayListBox::keyPressEvent(QKeyEvent* e) {
  const int vk = VirtualKeyOf(e);
  if (vk == 46) {
    emit KeyDown(vk);
    e->accept();
    return;
  }
  emit KeyDown(vk);
  const QString text = e->text();
  const bool command = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (!command && !text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F)
    emit KeyChar(text);
  if (vk == 13 || vk == 27) {
    // Enter and Esc act when they come up (KeyUp).
    e->accept();
    return;
  }
  if (vk == 37 || vk == 39) {
    // In a one-column list Left and Right move like Up and Down. They stay
    // in the list even at its ends: the window's own left and right keys
    // step through the songs and must not see them.
    QKeyEvent moved(e->type(), vk == 37 ? Qt::Key_Up : Qt::Key_Down, e->modifiers(), e->nativeScanCode(),
                    e->nativeVirtualKey(), e->nativeModifiers(), QString(), e->isAutoRepeat(),
                    static_cast<quint16>(e->count()));
    QListView::keyPressEvent(&moved);
    e->accept();
    return;
  }
  QListView::keyPressEvent(e);
}

void TPlayListBox::keyReleaseEvent(QKeyEvent* e) {
  if (!e->isAutoRepeat()) emit KeyUp(VirtualKeyOf(e));
  QListView::keyReleaseEvent(e);
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

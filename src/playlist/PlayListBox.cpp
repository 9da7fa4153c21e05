#include "playlist/PlayListBox.h"

#include <QItemSelectionModel>
#include <QMouseEvent>

#include "playlist/PlayListModel.h"

TPlayListBox::TPlayListBox(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
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
  return selectionModel()->isSelected(model()->index(i, 0));
}

void TPlayListBox::SetSelected(int i, bool on) {
  selectionModel()->select(model()->index(i, 0),
                           on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int TPlayListBox::SelCount() const { return static_cast<int>(selectionModel()->selectedRows().size()); }

void TPlayListBox::mousePressEvent(QMouseEvent* e) {
  QListView::mousePressEvent(e);
  emit MousePressed(e->button(), e->globalPosition().toPoint());
}

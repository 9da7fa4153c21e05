#include "playlist/PlayListModel.h"

const std::string& TPlayListModel::Path(int i) const { return Entry(i).Path(); }

void TPlayListModel::Insert(int pos, std::string text, std::unique_ptr<TKObjectString> entry) {
  const int n = Count();
  if (pos < 0 || pos > n) pos = n;
  beginInsertRows(QModelIndex(), pos, pos);
  lines_.insert(lines_.begin() + pos, Line{std::move(text), std::move(entry)});
  endInsertRows();
}

void TPlayListModel::Clear() {
  if (lines_.empty()) return;
  beginResetModel();
  lines_.clear();
  endResetModel();
}

int TPlayListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  if (role == Qt::DisplayRole) return QString::fromStdString(Text(index.row()));
  return {};
}

#pragma once
// The playlist itself: each line is a display text plus the entry it owns.
// There is no second copy anywhere; the list view shows this model.
#include <QAbstractListModel>

#include <memory>
#include <string>
#include <vector>

#include "playlist/Tkobjectstr.h"

class TPlayListModel : public QAbstractListModel {
  Q_OBJECT
public:
  explicit TPlayListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Text(int i) const { return lines_[static_cast<size_t>(i)].Text; }
  const TKObjectString& Entry(int i) const { return *lines_[static_cast<size_t>(i)].Entry; }
  const std::string& Path(int i) const;

  // Inserts before line `pos` (0..Count()); -1 appends.
  void Insert(int pos, std::string text, std::unique_ptr<TKObjectString> entry);
  void Clear();

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

protected:
  struct Line {
    std::string Text;
    std::unique_ptr<TKObjectString> Entry;
  };
  std::vector<Line> lines_;
};

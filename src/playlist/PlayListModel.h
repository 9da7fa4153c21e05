#pragma once
// The playlist itself: each line is a display text plus the entry it owns.
// There is no second copy anywhere; the list view shows this model.
//
// Bulk changes (many lines added, removed, reordered) are made in one pass
// over the lines and reported to the view as one change, so a command on a
// long list never costs a view update per line.
#include <QAbstractListModel>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/Tkobjectstr.h"

class QString;

class TPlayListModel : public QAbstractListModel {
  Q_OBJECT
public:
  struct Line {
    std::string Text;
    std::unique_ptr<TKObjectString> Entry;
  };

  explicit TPlayListModel(QObject* parent = nullptr) : QAbstractListModel(parent) {}

  int Count() const { return static_cast<int>(lines_.size()); }
  const std::string& Text(int i) const { return lines_[static_cast<size_t>(i)].Text; }
  const TKObjectString& Entry(int i) const { return *lines_[static_cast<size_t>(i)].Entry; }
  const std::string& Path(int i) const;

  // Inserts before line `pos` (0..Count()); -1 (or any position outside that
  // range) appends.
  void Insert(int pos, std::string text, std::unique_ptr<TKObjectString> entry);
  // Inserts all `lines` before line `pos` in one change (same position rule).
  void InsertLines(int pos, std::vector<Line> lines);
  // Destroys every line and its entry.
  void Clear();
  // Removes every line i with remove[i] != 0 (the vector has Count()
  // elements) in one pass, destroying their entries; the view is reset once.
  // Returns the number removed.
  int RemoveLines(const std::vector<char>& remove);
  // Reorders the lines: line i of the new order is the old line order[i]
  // (a permutation of 0..Count()-1). The view is reset once.
  void Reorder(const std::vector<int>& order);
  // Exchanges line `from` with its neighbour `to` (from +- 1); selection and
  // focus travel with the lines.
  void SwapNeighbours(int from, int to);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // ---- text matching without letter case ----
  // A search text lowered to small letters (QString::toLower).
  struct LowerText {
    std::u32string CodePoints;
    std::string Ascii;  // the same bytes when every character is ASCII
    std::string Fold;   // per byte of Ascii: 0x20 for a letter, else 0
    bool IsAscii = false;
  };
  static LowerText LowerNeedle(const QString& text);
  // Whether `text` (UTF-8, invalid bytes allowed) lowered to small letters
  // the way QString::toLower does begins with `needle`. Nothing is allocated;
  // plain ASCII texts are compared byte by byte.
  static bool StartsWithLower(std::string_view text, const LowerText& needle);
  // Whether lowered `text` holds a blank directly followed by `needle`.
  static bool HasWordLower(std::string_view text, const LowerText& needle);

protected:
  std::vector<Line> lines_;
};

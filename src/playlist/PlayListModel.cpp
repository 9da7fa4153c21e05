#include "playlist/PlayListModel.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstring>

const std::string& TPlayListModel::Path(int i) const { return Entry(i).Path(); }

void TPlayListModel::Insert(int pos, std::string text, std::unique_ptr<TKObjectString> entry) {
  const int n = Count();
  if (pos < 0 || pos > n) pos = n;
  beginInsertRows(QModelIndex(), pos, pos);
  lines_.insert(lines_.begin() + pos, Line{std::move(text), std::move(entry)});
  endInsertRows();
}

void TPlayListModel::InsertLines(int pos, std::vector<Line> lines) {
  if (lines.empty()) return;
  const int n = Count();
  if (pos < 0 || pos > n) pos = n;
  beginInsertRows(QModelIndex(), pos, pos + static_cast<int>(lines.size()) - 1);
  lines_.insert(lines_.begin() + pos, std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  endInsertRows();
}

void TPlayListModel::Clear() {
  if (lines_.empty()) return;
  beginResetModel();
  // Free the memory too: a cleared long list should not keep its capacity.
  std::vector<Line>().swap(lines_);
  endResetModel();
}

int TPlayListModel::RemoveLines(const std::vector<char>& remove) {
  const size_t n = lines_.size();
  size_t first = 0;
  while (first < n && first < remove.size() && !remove[first]) ++first;
  if (first >= n || first >= remove.size()) return 0;
  beginResetModel();
  size_t out = first;
  for (size_t i = first; i < n; ++i) {
    if (i < remove.size() && remove[i]) continue;  // its entry goes with the line below
    if (out != i) lines_[out] = std::move(lines_[i]);
    ++out;
  }
  const int removed = static_cast<int>(n - out);
  lines_.resize(out);
  endResetModel();
  return removed;
}

void TPlayListModel::Reorder(const std::vector<int>& order) {
  if (order.size() != lines_.size() || lines_.empty()) return;
  beginResetModel();
  std::vector<Line> sorted;
  sorted.reserve(lines_.size());
  for (int i : order) sorted.push_back(std::move(lines_[static_cast<size_t>(i)]));
  lines_.swap(sorted);
  endResetModel();
}

void TPlayListModel::SwapNeighbours(int from, int to) {
  const int n = Count();
  if (from < 0 || from >= n || to < 0 || to >= n || (to != from + 1 && to != from - 1)) return;
  // Moving the upper of the two lines below the lower one exchanges them.
  const int upper = std::min(from, to);
  beginMoveRows(QModelIndex(), upper, upper, QModelIndex(), upper + 2);
  std::swap(lines_[static_cast<size_t>(upper)], lines_[static_cast<size_t>(upper) + 1]);
  endMoveRows();
}

int TPlayListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant TPlayListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(Text(index.row()));
  return {};
}

// ---- text matching without letter case ----

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One code point of UTF-8 text at p (p < end); p moves past it. A byte that
// does not start a valid sequence stands for U+FFFD on its own.
char32_t DecodeUtf8(const unsigned char*& p, const unsigned char* end) {
  const unsigned char b = *p;
  int len;
  char32_t cp;
  char32_t min;
  if (b < 0x80) {
    ++p;
    return b;
  } else if (b >= 0xC2 && b <= 0xDF) {
    len = 2, cp = b & 0x1F, min = 0x80;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3, cp = b & 0x0F, min = 0x800;
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4, cp = b & 0x07, min = 0x10000;
  } else {
    ++p;
    return kReplacement;
  }
  if (end - p < len) {
    ++p;
    return kReplacement;
  }
  for (int i = 1; i < len; ++i) {
    const unsigned char c = p[i];
    if ((c & 0xC0) != 0x80) {
      ++p;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++p;
    return kReplacement;
  }
  p += len;
  return cp;
}

// Walks a text lowered the way QString::toLower lowers it, one code point at
// a time. The one character whose small form is two code points (capital I
// with dot above) yields both.
class LowerWalker {
public:
  explicit LowerWalker(std::string_view text)
      : p_(reinterpret_cast<const unsigned char*>(text.data())), end_(p_ + text.size()) {}
  bool Next(char32_t& c) {
    if (pending_) {
      c = pending_;
      pending_ = 0;
      return true;
    }
    if (p_ == end_) return false;
    const unsigned char b = *p_;
    if (b < 0x80) {
      ++p_;
      c = (b >= 'A' && b <= 'Z') ? static_cast<char32_t>(b + ('a' - 'A')) : b;
      return true;
    }
    const char32_t cp = DecodeUtf8(p_, end_);
    if (cp == 0x130) {
      c = 0x69;
      pending_ = 0x307;
      return true;
    }
    c = QChar::toLower(cp);
    return true;
  }

private:
  const unsigned char* p_;
  const unsigned char* end_;
  char32_t pending_ = 0;
};

} // namespace

TPlayListModel::LowerText TPlayListModel::LowerNeedle(const QString& text) {
  LowerText out;
  const QString lowered = text.toLower();
  out.CodePoints.reserve(static_cast<size_t>(lowered.size()));
  out.IsAscii = true;
  for (char32_t c : lowered.toUcs4()) {
    out.CodePoints.push_back(c);
    if (c >= 0x80) out.IsAscii = false;
  }
  if (out.IsAscii) {
    out.Ascii.assign(out.CodePoints.begin(), out.CodePoints.end());
    out.Fold.resize(out.Ascii.size());
    for (size_t i = 0; i < out.Ascii.size(); ++i)
      out.Fold[i] = (out.Ascii[i] >= 'a' && out.Ascii[i] <= 'z') ? 0x20 : 0;
  }
  return out;
}

namespace {

bool WalkStartsWith(std::string_view text, const std::u32string& needle) {
  LowerWalker walk(text);
  for (char32_t want : needle) {
    char32_t c;
    if (!walk.Next(c) || c != want) return false;
  }
  return true;
}

} // namespace

bool TPlayListModel::StartsWithLower(std::string_view text, const LowerText& needle) {
  if (!needle.IsAscii) {
    // An ASCII character never lowers to anything else: a text that starts
    // with one cannot match a search that does not.
    if (needle.CodePoints[0] >= 0x80 && !text.empty() && static_cast<unsigned char>(text[0]) < 0x80) return false;
    return WalkStartsWith(text, needle.CodePoints);
  }
  const size_t m = needle.Ascii.size();
  // Every matched character takes at least one byte of the text.
  if (text.size() < m) return false;
  const auto* t = reinterpret_cast<const unsigned char*>(text.data());
  const auto* a = reinterpret_cast<const unsigned char*>(needle.Ascii.data());
  const auto* fold = reinterpret_cast<const unsigned char*>(needle.Fold.data());
  // Eight bytes at a time: a capital letter of the text ORed with 0x20 is its
  // small letter, and the needle says where letters stand; a byte with the
  // top bit set hands over to the full rules (a few other letters lower to
  // ASCII, such as the Kelvin sign).
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  size_t k = 0;
  for (; k + 8 <= m; k += 8) {
    uint64_t x, f, n;
    std::memcpy(&x, t + k, 8);
    std::memcpy(&f, fold + k, 8);
    std::memcpy(&n, a + k, 8);
    if (x & kHigh) return WalkStartsWith(text, needle.CodePoints);
    if ((x | f) != n) return false;
  }
  for (; k < m; ++k) {
    const unsigned char b = t[k];
    if (b >= 0x80) return WalkStartsWith(text, needle.CodePoints);
    if ((b | fold[k]) != a[k]) return false;
  }
  return true;
}

bool TPlayListModel::HasWordLower(std::string_view text, const LowerText& needle) {
  const char* data = text.data();
  const size_t n = text.size();
  size_t pos = 0;
  while (pos < n) {
    const void* hit = std::memchr(data + pos, ' ', n - pos);
    if (!hit) return false;
    const size_t blank = static_cast<size_t>(static_cast<const char*>(hit) - data);
    // Most words fail on their first letter; test that before the rest.
    bool candidate = true;
    if (needle.IsAscii && !needle.Ascii.empty()) {
      if (blank + 1 >= n) return false;
      const auto b = static_cast<unsigned char>(data[blank + 1]);
      candidate = b >= 0x80 || (b | static_cast<unsigned char>(needle.Fold[0])) ==
                                   static_cast<unsigned char>(needle.Ascii[0]);
    }
    if (candidate && StartsWithLower(text.substr(blank + 1), needle)) return true;
    pos = blank + 1;
  }
  return false;
}

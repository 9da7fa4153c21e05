#include "playlist/PlayList.h"

#include <QCollator>
#include <QCoreApplication>
#include <QLocale>

#include <algorithm>
#include <atomic>
#include <exception>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <stdexcept>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_set>

#include "files/AtomicFile.h"
#include "platform/Paths.h"
#include "text/Utf8Text.h"
#include "playlist/Fileoptions.h"
#include "playlist/Kconvert.h"
#include "playlist/LineChoice.h"
#include "playlist/ParallelTexts.h"
#include "playlist/PathRules.h"
#include "tags/Kid3lib.h"

namespace {

bool BlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The focused line number after lines were removed under it: kept where it
// was, or the last line when the list became shorter than that.
int KeptFocus(int focus, int count) {
  if (focus < 0 || count == 0) return -1;
  return std::min(focus, count - 1);
}

} // namespace

// An add whose tags are read on a thread of its own. That thread writes
// `texts` and `failure` alone; the list reads them only once it reported back.
struct PlayList::TagRead {
  Batch batch;
  std::vector<std::string> texts;
  std::exception_ptr failure;
};

PlayList::PlayList(QObject* parent) : QObject(parent), selection_(&model_) {}

// A read under way is abandoned (readWork_ goes), never waited for.
PlayList::~PlayList() = default;

// ---- how lines show ----

namespace {

bool ReadsTags(int mode) { return mode == 2 || mode == 3; }

// The text of a line for `path` in display mode `mode`, its tag already read
// (an empty tag in the modes that show none).
std::string TextOfTag(int mode, const std::string& path, const KID3Lib::SimpleID3& tag) {
  // File names show as UTF-8 when they are, else as Latin-1; the line keeps
  // the exact bytes of its path for playing.
  if (mode == 0) return Utf8Text::ForDisplay(PathRules::ExtractFileName(path));
  if (ReadsTags(mode) && !tag.Version.empty()) {
    std::string text = tag.Artist + " - " + tag.Title;
    if (mode == 3) text += " [" + tag.Album + "]";
    return text;
  }
  return Utf8Text::ForDisplay(Fileoptions::FileNameNoExt(path));
}

// The text of a line for `path` in display mode `mode`. Touches no shared
// state (the tag reader keeps none), so several threads may run it at once.
std::string DisplayText(int mode, KID3Lib::TagReading reading, const std::string& path) {
  return TextOfTag(mode, path, ReadsTags(mode) ? KID3Lib::ReadSimpleID3(path, reading) : KID3Lib::SimpleID3{});
}

} // namespace

std::string PlayList::EntryDisplayText(int mode, const std::string& path) const {
  return DisplayText(mode, TagReading(), path);
}

std::string PlayList::EntryDisplayText(const std::string& path, const KID3Lib::SimpleID3& tag) const {
  return TextOfTag(DisplayMode(), path, tag);
}

std::vector<std::string> PlayList::EntryDisplayTexts(int mode, const std::vector<std::string>& paths) const {
  // Only the tag modes wait on the disk; the file-name modes are faster on
  // one thread than the threads take to start.
  unsigned threads = 1;
  if (ReadsTags(mode)) {
    threads = ParallelTexts::ThreadsFor(paths.size(), std::thread::hardware_concurrency());
    if (textThreadLimit_ > 0) threads = std::min(threads, textThreadLimit_);
  }
  lastTextThreads_ = threads;
  const KID3Lib::TagReading reading = TagReading();
  return ParallelTexts::Compute(
      paths.size(), [&](size_t i) { return DisplayText(mode, reading, paths[i]); }, threads);
}

bool PlayList::AcceptsLine(const std::string& path, int& skipped) const {
  if (!PathRules::IsSongFile(PathRules::ExtractFileExt(path), options_->PlayAllFormats)) return false;
  if (path.find_first_of("\r\n") != std::string::npos) {
    ++skipped;
    return false;
  }
  return true;
}

// ---- focus and selection ----

int PlayList::ItemIndex() const {
  const QModelIndex c = selection_.currentIndex();
  return c.isValid() ? c.row() : -1;
}

void PlayList::SetItemIndex(int i) {
  if (i < 0 || i >= Count()) {
    selection_.setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  selection_.setCurrentIndex(model_.index(i, 0), QItemSelectionModel::NoUpdate);
}

void PlayList::MakeCurrent(int i) {
  SetItemIndex(i);
  if (i >= 0) emit ScrollTo(i);
}

bool PlayList::Selected(int i) const {
  if (i < 0 || i >= Count()) return false;
  return selection_.isSelected(model_.index(i, 0));
}

void PlayList::SetSelected(int i, bool on) {
  if (i < 0 || i >= Count()) return;
  selection_.select(model_.index(i, 0), on ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

std::vector<char> PlayList::SelectedFlags() const {
  const int n = Count();
  std::vector<char> flags(static_cast<size_t>(n), 0);
  // The selection's ranges, not a test per line: asking line by line costs
  // the number of ranges each time.
  const QItemSelection sel = selection_.selection();
  for (const QItemSelectionRange& r : sel) {
    if (!r.isValid()) continue;
    const int top = std::max(0, r.top());
    const int bottom = std::min(n - 1, r.bottom());
    for (int row = top; row <= bottom; ++row) flags[static_cast<size_t>(row)] = 1;
  }
  return flags;
}

int PlayList::SelCount() const {
  int count = 0;
  for (char f : SelectedFlags()) count += f ? 1 : 0;
  return count;
}

void PlayList::SetSelectedFlags(const std::vector<char>& flags) {
  const int n = std::min(Count(), static_cast<int>(flags.size()));
  QItemSelection sel;
  for (int i = 0; i < n;) {
    if (!flags[static_cast<size_t>(i)]) {
      ++i;
      continue;
    }
    int j = i;
    while (j + 1 < n && flags[static_cast<size_t>(j) + 1]) ++j;
    sel.append(QItemSelectionRange(model_.index(i, 0), model_.index(j, 0)));
    i = j + 1;
  }
  // Clear first, then select into the empty selection: the selection model
  // compares old and new selections range by range, which is cheap only when
  // one side is empty.
  selection_.clearSelection();
  if (!sel.isEmpty()) selection_.select(sel, QItemSelectionModel::Select);
}

void PlayList::SelectOnly(int i) {
  if (i < 0 || i >= Count()) return;
  selection_.clearSelection();
  selection_.setCurrentIndex(model_.index(i, 0), QItemSelectionModel::Select);
  emit ScrollTo(i);
}

void PlayList::DeselectAll() { selection_.clearSelection(); }

// ---- moving the focus ----

bool PlayList::SelectNext() {
  const int i = LineChoice::Next(ItemIndex(), Count());
  if (i < 0) return false;
  MakeCurrent(i);
  return true;
}

bool PlayList::SelectPrevious() {
  const int i = LineChoice::Previous(ItemIndex(), Count());
  if (i < 0) return false;
  MakeCurrent(i);
  return true;
}

int PlayList::DrawRandomLine() {
  return LineChoice::Random(ItemIndex(), Count(),
                            [this](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); });
}

bool PlayList::SelectRandom() {
  const int i = DrawRandomLine();
  if (i < 0) return false;
  MakeCurrent(i);
  return true;
}

// ---- adding lines ----

void PlayList::ReportSkipped(int skipped) {
  if (skipped > 0) emit LinesSkipped(skipped);
}

void PlayList::InsertBatch(Batch batch, std::vector<std::string> texts) {
  if (batch.clear) Clear();
  if (batch.namesListFile) options_->LastListFile = batch.listFile;
  if (batch.setsLabel) SetLabel(batch.label);
  if (batch.paths.size() == 1) {
    model_.Insert(batch.position, std::move(texts.front()),
                  std::make_unique<TKObjectString>(std::move(batch.paths.front())));
  } else if (!batch.paths.empty()) {
    std::vector<TPlayListModel::Line> lines(batch.paths.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      lines[i].Entry = std::make_unique<TKObjectString>(std::move(batch.paths[i]));
      lines[i].Text = std::move(texts[i]);
    }
    model_.InsertLines(batch.position, std::move(lines));
  }
  ReportSkipped(batch.skipped);
}

void PlayList::AddBatch(Batch batch) {
  if (reading_) {
    // A list that replaces this one makes what was coming pointless; any
    // other add follows the running one, so the lines of two adds never mix.
    if (!batch.clear) {
      waitingBatches_.push_back(std::move(batch));
      return;
    }
    CancelAdds();
  }
  StartBatch(std::move(batch));
}

void PlayList::StartBatch(Batch batch) {
  const int mode = DisplayMode();
  unsigned threads = 1;
  if (ReadsTags(mode) && batch.paths.size() > 1) {
    threads = ParallelTexts::ThreadsFor(batch.paths.size(), std::thread::hardware_concurrency());
    if (textThreadLimit_ > 0) threads = std::min(threads, textThreadLimit_);
  }
  if (batch.paths.size() > 1) lastTextThreads_ = threads;
  if (threads > 1) {
    auto read = std::make_shared<TagRead>();
    read->batch = std::move(batch);
    const KID3Lib::TagReading reading = TagReading();
    const auto work = [read, mode, reading, threads](const std::atomic<bool>& cancelled) {
      const std::vector<std::string>& paths = read->batch.paths;
      try {
        // Once cancelled, each thread stops after the file it is reading.
        read->texts = ParallelTexts::Compute(
            paths.size(), [&](size_t i) { return cancelled ? std::string() : DisplayText(mode, reading, paths[i]); },
            threads);
      } catch (...) {
        read->failure = std::current_exception();
      }
    };
    if (readWork_.Start(this, work, [this, read] { ReadLanded(read); })) {
      reading_ = read;
      return;
    }
    batch = std::move(read->batch);  // no thread to be had: read here
  }
  std::vector<std::string> texts = EntryDisplayTexts(mode, batch.paths);
  InsertBatch(std::move(batch), std::move(texts));
}

void PlayList::ReadLanded(const std::shared_ptr<TagRead>& read) {
  if (read != reading_) return;  // cancelled meanwhile
  readWork_.Finished();
  reading_.reset();
  if (read->failure) {
    waitingBatches_.clear();
    std::rethrow_exception(read->failure);
  }
  InsertBatch(std::move(read->batch), std::move(read->texts));
  emit AddFinished();
  StartWaitingBatches();
}

void PlayList::StartWaitingBatches() {
  while (!reading_ && !waitingBatches_.empty()) {
    Batch next = std::move(waitingBatches_.front());
    waitingBatches_.pop_front();
    StartBatch(std::move(next));
  }
}

void PlayList::CancelAdds() {
  waitingBatches_.clear();
  readWork_.Abandon();
  reading_.reset();
}

bool PlayList::Add(const std::string& path, int position) {
  int skipped = 0;
  if (!AcceptsLine(path, skipped)) {
    ReportSkipped(skipped);
    return false;
  }
  Batch batch;
  batch.paths.push_back(path);
  batch.position = position;
  AddBatch(std::move(batch));
  return true;
}

void PlayList::Clear() {
  model_.Clear();
  SetItemIndex(-1);
}

PlayList::Batch PlayList::MakeBatch(std::vector<std::string> paths, bool keep) const {
  Batch batch;
  batch.clear = !keep;
  // The accepted paths are gathered at the front of the same list.
  size_t kept = 0;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (!AcceptsLine(paths[i], batch.skipped)) continue;
    if (kept != i) paths[kept] = std::move(paths[i]);  // never moved onto itself
    ++kept;
  }
  paths.resize(kept);
  batch.paths = std::move(paths);
  return batch;
}

void PlayList::AddFileList(const std::vector<std::string>& paths, bool keep) {
  AddFileList(std::vector<std::string>(paths), keep);
}

void PlayList::AddFileList(std::vector<std::string>&& paths, bool keep) {
  if (paths.empty()) return;
  AddBatch(MakeBatch(std::move(paths), keep));
}

int PlayList::AddFolder(const std::string& folder) {
  Batch batch;
  const std::string names = Fileoptions::ListFolderFiles(folder, "*.*", batch.skipped);
  // The names from the last to the first; each MP3 file becomes a line at the
  // end of the list. All new lines reach the list in one insertion.
  const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
  size_t end = names.size();
  while (true) {
    const size_t lf = end == 0 ? std::string::npos : names.rfind('\n', end - 1);
    const size_t begin = lf == std::string::npos ? 0 : lf + 1;
    const std::string_view name(names.data() + begin, end - begin);
    if (!std::all_of(name.begin(), name.end(), BlankOrControl)) {
      std::string path = prefix;
      path.append(name);
      if (AcceptsLine(path, batch.skipped)) batch.paths.push_back(std::move(path));
    }
    if (lf == std::string::npos) break;
    end = lf;
  }
  const int added = static_cast<int>(batch.paths.size());
  AddBatch(std::move(batch));
  return added;
}

// ---- playlist files ----

void PlayList::SetLabel(const QString& label) {
  label_ = label;
  emit LabelChanged(label_);
}

PlayList::Opened PlayList::OpenPath(const std::string& path, bool keep) {
  if (!Paths::FileExists(path)) return Opened::Nothing;
  const std::string ext = QString::fromUtf8(PathRules::ExtractFileExt(path)).toLower().toUtf8().toStdString();
  if (ext == ".vpls") {
    LoadListFile(path, keep, true);
  } else if (const Kconvert::PlaylistReader read = Kconvert::PlaylistReaderFor(path)) {
    // Lists of other players (.m3u, .m3u8, .pls, .b4s), their entries
    // resolved against the list's folder.
    AddFileList(read(path), keep);
  } else if (PathRules::IsSongFile(ext, options_->PlayAllFormats)) {
    Add(path, -1);
    return Opened::Song;
  } else {
    return Opened::Nothing;
  }
  return Opened::PlayListFile;
}

void PlayList::LoadPlayListFile(const std::string& path, bool keep) { LoadListFile(path, keep, false); }

void PlayList::LoadListFile(const std::string& path, bool keep, bool label) {
  std::vector<std::string> lines = Kconvert::ReadTextLines(path);
  const bool empty = lines.empty();
  Batch batch = MakeBatch(std::move(lines), keep);
  // The list's name and label change when its lines arrive, not before: a
  // close meanwhile keeps the list that was there, under its own name.
  batch.namesListFile = batch.setsLabel = !keep;
  batch.listFile = path;
  if (label) batch.label = QString::fromStdString(Utf8Text::ForDisplay(Fileoptions::FileNameNoExt(path)));
  else batch.setsLabel = false;
  if (empty) {
    // An empty file adds nothing and keeps the lines, as ever.
    batch.clear = false;
    if (reading_) CancelAdds();
    InsertBatch(std::move(batch), {});
    return;
  }
  AddBatch(std::move(batch));
}

void PlayList::Save(const std::string& path) {
  options_->LastListFile = path;
  const int n = Count();
  size_t total = 0;
  for (int i = 0; i < n; ++i) total += Path(i).size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (int i = 0; i < n; ++i) {
    bytes += Path(i);
    bytes += "\r\n";
  }
  // All or nothing: the old file stays whole until the new one is on disk.
  std::string error;
  if (!Files::WriteFileAtomically(path, bytes, &error)) throw std::runtime_error(error);
}

void PlayList::New() {
  CancelAdds();
  Clear();
  options_->LastListFile.clear();
  SetLabel(QString());
}

// ---- editing ----

int PlayList::RemoveMarked(const std::vector<char>& remove) {
  const int focus = ItemIndex();
  std::vector<char> selected = SelectedFlags();
  size_t out = 0;
  for (size_t i = 0; i < selected.size(); ++i)
    if (!remove[i]) selected[out++] = selected[i];
  selected.resize(out);
  const int removed = model_.RemoveLines(remove);
  SetItemIndex(KeptFocus(focus, Count()));
  SetSelectedFlags(selected);
  return removed;
}

void PlayList::RemoveSelected() {
  int f = ItemIndex();
  if (f < 0 || !Selected(f)) return;
  std::vector<char> remove = SelectedFlags();
  const int selected = static_cast<int>(std::count(remove.begin(), remove.end(), 1));
  if (selected >= 2) {
    f = static_cast<int>(std::find(remove.begin(), remove.end(), 1) - remove.begin());
  } else {
    // Only the focused line is selected.
    std::fill(remove.begin(), remove.end(), 0);
    remove[static_cast<size_t>(f)] = 1;
  }
  model_.RemoveLines(remove);
  const int n = Count();
  if (selected < 2 && f >= n) f = n - 1;
  if (f >= 0 && f < n) SelectOnly(f);
  else SetItemIndex(-1);
}

int PlayList::RemoveNonExistent() {
  const int n = Count();
  std::vector<char> remove(static_cast<size_t>(n), 0);
  bool any = false;
  for (int i = 0; i < n; ++i)
    if (!Paths::FileExists(Path(i))) remove[static_cast<size_t>(i)] = any = true;
  return any ? RemoveMarked(remove) : 0;
}

int PlayList::RemoveDuplicates() {
  // The first line with each path stays; every later line with the same path
  // (byte for byte) goes. One pass with a set of the paths seen.
  const int n = Count();
  std::vector<char> remove(static_cast<size_t>(n), 0);
  std::unordered_set<std::string_view> seen;
  seen.reserve(static_cast<size_t>(n));
  bool any = false;
  for (int i = 0; i < n; ++i)
    if (!seen.insert(std::string_view(Path(i))).second) remove[static_cast<size_t>(i)] = any = true;
  seen.clear();
  return any ? RemoveMarked(remove) : 0;
}

void PlayList::SortByName() {
  const int n = Count();
  if (n == 0) return;
  const int focus = ItemIndex();
  // Each text is turned into a sort key once, so the sort compares keys only.
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  const QLocale locale;
  if (locale.language() == QLocale::C) {
    // No language chosen: the collator would compare code units with case;
    // compare the case-folded texts instead.
    std::vector<QString> keys;
    keys.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys.push_back(QString::fromUtf8(Text(i)).toCaseFolded());
    std::stable_sort(order.begin(), order.end(),
                     [&keys](int a, int b) { return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]; });
  } else {
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys.push_back(collator.sortKey(QString::fromUtf8(Text(i))));
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
      return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
    });
  }
  model_.Reorder(order);
  SetItemIndex(focus);
}

void PlayList::MoveFocused(bool down) {
  const int f = ItemIndex();
  if (f < 0) return;
  const int target = down ? f + 1 : f - 1;
  if (target < 0 || target >= Count()) return;
  // The two lines exchange places, each with its own selected state; then
  // the moved line is focused and selected at its new place.
  model_.SwapNeighbours(f, target);
  SetItemIndex(target);
  SetSelected(target, true);
  emit ScrollTo(target);
}

void PlayList::InvertSelection() {
  std::vector<char> flags = SelectedFlags();
  for (char& f : flags) f = !f;
  SetSelectedFlags(flags);
}

// ---- finding ----

int PlayList::Find(const std::string& text, int start, bool caseSensitive) const {
  const int n = Count();
  if (start < 0) start = 0;
  if (caseSensitive) {
    for (int i = start; i < n; ++i)
      if (Text(i).starts_with(text)) return i;
    const std::string word = " " + text;
    for (int i = start; i < n; ++i)
      if (Text(i).find(word) != std::string::npos) return i;
    return -1;
  }
  const TPlayListModel::LowerText needle = TPlayListModel::LowerNeedle(QString::fromUtf8(text));
  for (int i = start; i < n; ++i)
    if (TPlayListModel::StartsWithLower(Text(i), needle)) return i;
  for (int i = start; i < n; ++i)
    if (TPlayListModel::HasWordLower(Text(i), needle)) return i;
  return -1;
}

bool PlayList::QuickFindStep(const std::string& text, bool enter) {
  int start = 0;
  if (enter) {
    start = ItemIndex() + 1;  // 0 when there is no focused line
    lastFoundIndex_ = -1;
  }
  const int hit = Find(text, start, false);
  if (hit >= 0) {
    SetItemIndex(hit);
    SetSelected(hit, true);
    if (lastFoundIndex_ >= 0 && lastFoundIndex_ != hit) SetSelected(lastFoundIndex_, false);
    if (!enter) lastFoundIndex_ = hit;
    return false;
  }
  if (enter) return true;
  if (selection_.hasSelection()) {
    SetItemIndex(0);
    DeselectAll();
  }
  return false;
}

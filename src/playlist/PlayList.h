#pragma once
// The playlist as the player knows it: its lines (TPlayListModel), the
// focused line (the current line, the one that plays next) and the selection
// (a QItemSelectionModel the list view shares). Every command of the
// playlist panel is a verb here with a documented result; views only show
// the model and forward clicks. QtCore only.
#include <QItemSelectionModel>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "options/Tvelmarisoptions.h"
#include "tags/Kid3lib.h"
#include "playlist/BackgroundWork.h"
#include "playlist/PlayListModel.h"

class PlayList : public QObject {
  Q_OBJECT
public:
  explicit PlayList(QObject* parent = nullptr);
  ~PlayList() override;

  TPlayListModel* Model() { return &model_; }
  const TPlayListModel* Model() const { return &model_; }
  QItemSelectionModel* Selection() { return &selection_; }
  int Count() const { return model_.Count(); }
  const std::string& Path(int i) const { return model_.Path(i); }
  const std::string& Text(int i) const { return model_.Text(i); }

  // The settings the list follows (PlayListMode, LastListFile) live in the
  // program's settings record; an unbound list keeps a record of its own.
  void BindOptions(TVelmarisOptions& options) { options_ = &options; }

  // ---- how lines show ----
  // 0: file name with extension; 1: file name without it; 2: "artist -
  // title"; 3: "artist - title [album]" (2 and 3 fall back to 1 without a tag).
  int DisplayMode() const { return options_->PlayListMode; }
  void SetDisplayMode(int mode) { options_->PlayListMode = static_cast<int8_t>(mode); }
  // How tags are read for every text shown: the classic reading, or all
  // ID3v2 versions when the user switched that on.
  KID3Lib::TagReading TagReading() const {
    return options_->ReadAllTagVersions ? KID3Lib::TagReading::AllVersions : KID3Lib::TagReading::Classic;
  }
  std::string EntryDisplayText(int mode, const std::string& path) const;
  std::string EntryDisplayText(const std::string& path) const { return EntryDisplayText(DisplayMode(), path); }
  // The same text from a tag already read (KID3Lib::ReadSimpleID3 with
  // TagReading()), so a song's tag is read once for all its texts.
  std::string EntryDisplayText(const std::string& path, const KID3Lib::SimpleID3& tag) const;
  // EntryDisplayText(mode, p) for every p of `paths`, in their order. In the
  // tag modes (2, 3) a long list's tags are read on a few threads; the
  // texts are exactly those of the one-by-one pass.
  std::vector<std::string> EntryDisplayTexts(int mode, const std::vector<std::string>& paths) const;
  // The threads the last EntryDisplayTexts used (1: only the calling one).
  unsigned LastTextThreads() const { return lastTextThreads_; }
  // The most threads EntryDisplayTexts uses; 0 (the default) for the
  // machine's choice (ParallelTexts::ThreadsFor), 1 for the one-by-one pass.
  void SetTextThreadLimit(unsigned limit) { textThreadLimit_ = limit; }
  // A long add in a tag mode (more than one thread, see ThreadsFor) reads
  // its tags on a thread of its own and the lines arrive in one insertion
  // when all are read: until then the list stays as it was and the calling
  // thread goes on with its events. True while such an add is under way.
  bool Adding() const { return static_cast<bool>(reading_); }
  // Drops the add under way and those waiting behind it: nothing of them
  // reaches the list (a close, or another open that replaces the list).
  void CancelAdds();

  // ---- focus and selection ----
  int ItemIndex() const;  // the focused line, -1 for none
  void SetItemIndex(int i);  // outside 0..Count()-1: no focused line
  // SetItemIndex, and views scroll the line into sight.
  void MakeCurrent(int i);
  bool Selected(int i) const;
  void SetSelected(int i, bool on);
  int SelCount() const;
  std::vector<char> SelectedFlags() const;  // one entry per line
  void SetSelectedFlags(const std::vector<char>& flags);  // in one change
  void SelectOnly(int i);  // focused and the only selected line
  void DeselectAll();

  // ---- moving the focus (the current line) ----
  // Each moves the focus and answers whether there was a line to move to.
  bool SelectNext();      // the next line, wrapping to the first
  bool SelectPrevious();  // the previous line, wrapping to the last
  bool SelectRandom();    // a random other line (false when there is none)
  // Draws the line SelectRandom would move to, without moving: -1 when there
  // is none. (Each call draws anew.)
  int DrawRandomLine();
  void SeedRandom(uint32_t seed) { random_.seed(seed); }

  // ---- adding lines ----
  // A line for `path` before line `position` (outside 0..Count() appends);
  // false when the path is not an MP3 file name.
  bool Add(const std::string& path, int position);
  void Clear();
  // The MP3 files among `paths` as new lines at the end, in one insertion;
  // without `keep` the list is cleared first (also when none is added).
  void AddFileList(const std::vector<std::string>& paths, bool keep);
  // The same, taking the paths over instead of copying them (a long list
  // read from a file is never held twice).
  void AddFileList(std::vector<std::string>&& paths, bool keep);
  // The MP3 files of `folder` at the end, in the reverse of the folder
  // listing's order; returns how many were added.
  int AddFolder(const std::string& folder);

  // ---- playlist files ----
  // The playlist file last loaded or saved (the "current playlist").
  const std::string& LastListFile() const { return options_->LastListFile; }
  // The caption of the playlist panel: the name of a loaded .vpls file.
  const QString& Label() const { return label_; }
  void SetLabel(const QString& label);
  // What OpenPath found at a path.
  enum class Opened { Nothing, PlayListFile, Song };
  // Adds what `path` holds: a playlist file's entries (without `keep` the
  // list is replaced) or an MP3 file as a line at the end. Nothing for a
  // missing file or another type.
  Opened OpenPath(const std::string& path, bool keep);
  void LoadPlayListFile(const std::string& path, bool keep);
  // Writes every line's path, each followed by CR LF, replacing the file
  // only when the new one is complete. Throws with the system's reason.
  void Save(const std::string& path);
  // A new, empty playlist: no lines, no current playlist file, no label.
  void New();

  // ---- editing ----
  // Removes the selection when the focused line is selected (with one
  // selected line, only the focused one); the focus moves as a list box's does.
  void RemoveSelected();
  int RemoveNonExistent();  // returns how many lines went
  int RemoveDuplicates();   // the first line of each path stays
  // Sorts by display text in the user's locale order, letter case ignored,
  // stable; the focus keeps its line number.
  void SortByName();
  // Exchanges the focused line with its neighbour, which then is focused
  // and selected; nothing at the ends or without focus.
  void MoveFocused(bool down);
  void InvertSelection();

  // ---- finding ----
  // The first line from `start` whose text begins with `text`, else the
  // first that holds a blank followed by it; -1 when none.
  int Find(const std::string& text, int start, bool caseSensitive) const;
  // One step of quick find with the box's text: focuses and selects the
  // line found (a new search from the line after the focus on Enter). True
  // when the box should close (Enter found nothing).
  bool QuickFindStep(const std::string& text, bool enter);

signals:
  // A view showing the list should bring line `i` into sight.
  void ScrollTo(int i);
  // `count` files were not added: their names hold a line break, which the
  // line-based playlist files cannot store.
  void LinesSkipped(int count);
  void LabelChanged(const QString& label);
  // An add that read its tags on its own thread has put its lines in place.
  void AddFinished();

private:
  // Whether `path` can be a line: a song file name (an MP3 file, or one of
  // the other formats when they are switched on) without a line break
  // (the refused ones with a line break are counted in `skipped`).
  bool AcceptsLine(const std::string& path, int& skipped) const;
  // New lines for accepted paths: inserted before `position` (-1 appends),
  // the list cleared first with `clear`, `skipped` refused names reported;
  // a playlist file's add also names the list file and the label.
  struct Batch {
    std::vector<std::string> paths;
    int position = -1;
    bool clear = false;
    int skipped = 0;
    bool namesListFile = false;
    std::string listFile;
    bool setsLabel = false;
    QString label;
  };
  struct TagRead;  // an add whose tags are read on their own thread
  // Inserts the batch now, or after the add under way when one runs.
  void AddBatch(Batch batch);
  // Starts the batch: at once, or on a thread when its tags take long.
  void StartBatch(Batch batch);
  void InsertBatch(Batch batch, std::vector<std::string> texts);
  // The reading thread's result has come back to this thread.
  void ReadLanded(const std::shared_ptr<TagRead>& read);
  void StartWaitingBatches();
  // The accepted `paths` as a batch (refused names counted).
  Batch MakeBatch(std::vector<std::string> paths, bool keep) const;
  // Loads a playlist file's lines; `label`: the panel shows the file's name.
  void LoadListFile(const std::string& path, bool keep, bool label);
  void ReportSkipped(int skipped);
  // Removes the marked lines; the rest keep their selected state and the
  // focus keeps its line number (or the new last line).
  int RemoveMarked(const std::vector<char>& remove);

  TVelmarisOptions ownOptions_;
  TVelmarisOptions* options_ = &ownOptions_;
  TPlayListModel model_;
  QItemSelectionModel selection_;
  QString label_;
  std::mt19937 random_;
  int lastFoundIndex_ = -1;
  mutable unsigned lastTextThreads_ = 1;
  unsigned textThreadLimit_ = 0;
  std::shared_ptr<TagRead> reading_;  // the add under way, null for none
  BackgroundWork readWork_;           // its thread
  std::deque<Batch> waitingBatches_;
};

// The commands of the playlist panel's buttons and popup menu that change the
// list, and the file-info report of a line's tags.
#include "app/FrmMainVelmaris.h"

#include <QAction>
#include <QCollator>
#include <QCoreApplication>
#include <QLocale>
#include <QScrollBar>
#include <QString>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <sys/stat.h>
#include <unordered_set>

#include "app/widgets/SpeedButton.h"
#include "platform/UserDialogs.h"
#include "playlist/Fileoptions.h"
#include "playlist/PathRules.h"
#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"
#include "tags/Kid3lib.h"
#include "platform/Paths.h"

namespace {

void ShowMessage(TFrmMainVelmaris& w, const std::string& text) {
  w.Dialogs().MessageBox(&w, "Velmaris", text, TMsgIcon::None);
}

// The report box of a tag summary: caption and lines of the tag library.
void ShowTagReport(TFrmMainVelmaris& w, const KID3Lib::SimpleID3& tag) {
  w.Dialogs().MessageBox(w.window(), KID3Lib::TagReportCaption(tag), KID3Lib::TagReportText(tag), TMsgIcon::None);
}

bool BlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The focused line number after lines were removed under it: kept where it
// was, or the last line when the list became shorter than that.
int KeptFocus(int focus, int count) {
  if (focus < 0 || count == 0) return -1;
  return std::min(focus, count - 1);
}

// Removes the marked lines in one pass. The remaining lines keep their
// selected state; the focus keeps its line number (or the new last line).
int RemoveMarkedLines(TPlayListBox& list, TPlayListModel& model, const std::vector<char>& remove) {
  const int focus = list.ItemIndex();
  std::vector<char> selected = list.SelectedFlags();
  size_t out = 0;
  for (size_t i = 0; i < selected.size(); ++i)
    if (!remove[i]) selected[out++] = selected[i];
  selected.resize(out);
  const int removed = model.RemoveLines(remove);
  list.SetItemIndex(KeptFocus(focus, model.Count()));
  list.SetSelectedFlags(selected);
  return removed;
}

} // namespace

void TFrmMainVelmaris::EnablePlaylistMenu(bool enabled) {
  Openfolderofselectedfile1->setEnabled(enabled);
  Removeselected1->setEnabled(enabled);
  ViewFileInfoID3TagInfo->setEnabled(enabled);
}

void TFrmMainVelmaris::ButtonRemoveClick() {
  int f = PlayList->ItemIndex();
  if (f < 0 || !PlayList->Selected(f)) return;
  std::vector<char> remove = PlayList->SelectedFlags();
  const int selected = static_cast<int>(std::count(remove.begin(), remove.end(), 1));
  if (selected >= 2) {
    f = static_cast<int>(std::find(remove.begin(), remove.end(), 1) - remove.begin());
  } else {
    // Only the focused line is selected.
    std::fill(remove.begin(), remove.end(), 0);
    remove[static_cast<size_t>(f)] = 1;
  }
  PlayListModel->RemoveLines(remove);
  const int n = PlayListModel->Count();
  if (selected < 2 && f >= n) f = n - 1;
  if (f >= 0 && f < n) PlayList->SelectOnly(f);
  else PlayList->SetItemIndex(-1);
}

void TFrmMainVelmaris::RemoveNonExistent() {
  const int n = PlayListModel->Count();
  std::vector<char> remove(static_cast<size_t>(n), 0);
  bool any = false;
  for (int i = 0; i < n; ++i) {
    if (!Paths::FileExists(PlayListModel->Path(i))) remove[static_cast<size_t>(i)] = any = true;
  }
  const int removed = any ? RemoveMarkedLines(*PlayList, *PlayListModel, remove) : 0;
  ShowMessage(*this, std::to_string(removed) + " items removed.");
}

void TFrmMainVelmaris::mniRemoveDuplicatesClick() {
  // The first line with each path stays; every later line with the same path
  // (byte for byte) goes. One pass with a set of the paths seen.
  const int n = PlayListModel->Count();
  std::vector<char> remove(static_cast<size_t>(n), 0);
  std::unordered_set<std::string_view> seen;
  seen.reserve(static_cast<size_t>(n));
  bool any = false;
  for (int i = 0; i < n; ++i) {
    if (!seen.insert(std::string_view(PlayListModel->Path(i))).second) remove[static_cast<size_t>(i)] = any = true;
  }
  seen.clear();
  const int removed = any ? RemoveMarkedLines(*PlayList, *PlayListModel, remove) : 0;
  ShowMessage(*this, std::to_string(removed) + " duplicates removed.");
}

void TFrmMainVelmaris::SortByName1Click() {
  const int n = PlayListModel->Count();
  if (n == 0) return;
  const int focus = PlayList->ItemIndex();
  const int scroll = PlayList->verticalScrollBar()->value();
  // Ascending by display text in the user's locale order, ignoring letter
  // case; lines with equal texts keep their order. Each text is turned into
  // a sort key once, so the sort compares keys only.
  std::vector<int> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  const QLocale locale;
  if (locale.language() == QLocale::C) {
    // No language chosen: the collator would compare code units with case;
    // compare the case-folded texts instead.
    std::vector<QString> keys;
    keys.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys.push_back(QString::fromUtf8(PlayListModel->Text(i)).toCaseFolded());
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
      return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
  } else {
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) keys.push_back(collator.sortKey(QString::fromUtf8(PlayListModel->Text(i))));
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
      return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
    });
  }
  PlayListModel->Reorder(order);
  PlayList->doItemsLayout();
  PlayList->SetItemIndex(focus);
  PlayList->verticalScrollBar()->setValue(scroll);
}

void TFrmMainVelmaris::btnMoveUpDownClick(TSpeedButton* sender) {
  const int f = PlayList->ItemIndex();
  if (f < 0) return;
  const bool down = sender && sender->Tag == 1;
  const int target = down ? f + 1 : f - 1;
  if (target < 0 || target >= PlayListModel->Count()) return;
  // The two lines exchange places, each with its own selected state; then
  // the moved line is focused and selected at its new place.
  PlayListModel->SwapNeighbours(f, target);
  PlayList->SetItemIndex(target);
  PlayList->SetSelected(target, true);
  PlayList->scrollTo(PlayListModel->index(target, 0));
}

void TFrmMainVelmaris::Invertselection1Click() {
  std::vector<char> flags = PlayList->SelectedFlags();
  for (char& f : flags) f = !f;
  PlayList->SetSelectedFlags(flags);
}

void TFrmMainVelmaris::Openfolderofselectedfile1Click() {
  if (PlayList->SelCount() == 0) return;
  const int i = PlayList->ItemIndex();
  if (i < 0) return;
  const std::string folder = PathRules::ExtractFilePath(PlayListModel->Path(i));
  if (folder.empty()) return;  // a bare name has no folder to show
  Dialogs().OpenInShell(folder);
}

void TFrmMainVelmaris::Adddirectorytoplaylist1Click() {
  const std::string folder = Dialogs().BrowseFolder(this, "Add Directory to playlist", VelmarisOptions.MusicDir);
  if (folder.empty()) return;
  const int n = AddFolder(folder);
  repaint();
  Dialogs().MessageBox(this, "Velmaris", std::to_string(n) + " files added to playlist.", TMsgIcon::None);
  QCoreApplication::processEvents();
}

int TFrmMainVelmaris::AddFolder(const std::string& folder) {
  const std::string names = Fileoptions::ListFolderFiles(folder, "*.*");
  // The names from the last to the first; each MP3 file becomes a line at the
  // end of the list. All new lines reach the list in one insertion.
  const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
  std::vector<TPlayListModel::Line> lines;
  size_t end = names.size();
  while (true) {
    const size_t lf = end == 0 ? std::string::npos : names.rfind('\n', end - 1);
    const size_t begin = lf == std::string::npos ? 0 : lf + 1;
    const std::string_view name(names.data() + begin, end - begin);
    if (!std::all_of(name.begin(), name.end(), BlankOrControl)) {
      std::string path = prefix;
      path.append(name);
      if (PathRules::IsMp3File(PathRules::ExtractFileExt(path))) {
        TPlayListModel::Line line;
        line.Text = EntryDisplayText(VelmarisOptions.PlayListMode, path);
        line.Entry = std::make_unique<TKObjectString>(std::move(path));
        lines.push_back(std::move(line));
      }
    }
    if (lf == std::string::npos) break;
    end = lf;
  }
  const int added = static_cast<int>(lines.size());
  PlayListModel->InsertLines(-1, std::move(lines));
  return added;
}

void TFrmMainVelmaris::ViewFileInfoID3TagInfoClick() {
  const int i = PlayList->ItemIndex();
  if (i < 0) return;
  const KID3Lib::SimpleID3 tag = KID3Lib::ReadSimpleID3(PlayListModel->Path(i));
  if (tag.Version.empty()) {
    Dialogs().MessageBox(this, "Error", "ID3v1.1 or ID3v2.3 Tag does not exist for this file.", TMsgIcon::None);
    return;
  }
  ShowTagReport(*this, tag);
}

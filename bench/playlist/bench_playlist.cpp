// Playlist measurements on a long list: opening and showing a 100,000-line
// playlist, saving it, memory, the editing commands, quick-find searches,
// and adding a folder of tagged MP3 files. Runs headless (offscreen).
//
//   bench_playlist [lines] [folder-files]
#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/FrmMainVelmaris.h"
#include "platform/NullMediaDevice.h"
#include "platform/RegistryStore.h"
#include "platform/WaveOutVolume.h"
#include "app/QuickFindBox.h"
#include "app/widgets/PlayListBox.h"
#include "playback/PlaybackEngine.h"
#include "playlist/PlayList.h"
#include "support/FakeDialogs.h"
#include "support/TagBytes.h"

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// Resident memory of this process in MiB.
double RssMiB() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

class SilentVolume : public WaveOutVolume {
public:
  bool GetVolume(uint32_t& v) override {
    v = 0xFFFFFFFFu;
    return true;
  }
  bool SetVolume(uint32_t) override { return true; }
};

void Report(const char* what, double seconds, double goal) {
  std::printf("%-44s %9.1f ms   (goal <= %.0f ms) %s\n", what, seconds * 1000.0, goal * 1000.0,
              seconds <= goal ? "ok" : "OVER");
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const int lines = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int folderFiles = argc > 2 ? std::atoi(argv[2]) : 10000;

  char tmpl[] = "/tmp/velmaris-bench-playlist-XXXXXX";
  if (!::mkdtemp(tmpl)) return 1;
  const std::string dir = std::string(tmpl) + "/";

  FakeDialogs dialogs;
  SilentVolume volume;
  MemoryRegistryStore registry;
  TFrmMainVelmaris::Services s;
  s.ProgramDir = dir;
  s.ProgramPath = dir + "velmaris";
  s.DataDir = dir;
  s.SkinsDir = dir + "Skins";
  s.MusicDir = dir;
  s.Device = std::make_unique<NullMediaDevice>();
  s.Volume = &volume;
  s.Dialogs = &dialogs;
  s.Registry = &registry;
  s.WorkArea = [](QRect& r) {
    r = QRect(0, 0, 1280, 1024);
    return true;
  };
  TFrmMainVelmaris w(std::move(s));
  w.FormCreate();
  w.PlayListPanel->show();
  w.show();
  app.processEvents();

  // A playlist of `lines` paths, one in ten a repeat of an earlier one.
  std::string vpls;
  for (int i = 0; i < lines; ++i) {
    const int n = (i % 10 == 9) ? i / 2 : i;
    vpls += "/home/user/Music/Artist " + std::to_string(n % 997) + "/Album " + std::to_string(n % 89) +
            "/Song title number " + std::to_string(n) + ".mp3\r\n";
  }
  const std::string listFile = dir + "big.vpls";
  WriteFile(listFile, vpls);
  std::printf("playlist: %d lines, %.1f MiB file\n", lines, static_cast<double>(vpls.size()) / (1024.0 * 1024.0));
  vpls.clear();
  vpls.shrink_to_fit();

  w.VelmarisOptions.PlayListMode = 0;
  const double rssBefore = RssMiB();
  auto t = Clock::now();
  w.Engine().OpenPath(listFile, false, false);
  w.PlayList->doItemsLayout();
  w.PlayList->viewport()->repaint();
  app.processEvents();
  Report("open .vpls (file-name mode) and show", Since(t), 0.5);
  const double rssAfter = RssMiB();
  std::printf("%-44s %9.1f MiB (goal <= 60 MiB) %s\n", "memory growth", rssAfter - rssBefore,
              rssAfter - rssBefore <= 60 ? "ok" : "OVER");
  std::printf("  scroll range %d, lines %d\n", w.PlayList->verticalScrollBar()->maximum(), w.List().Count());

  t = Clock::now();
  w.List().Save(dir + "saved.vpls");
  Report("save", Since(t), 0.1);

  // Quick find: every key of a typed text runs one search from line 0; the
  // worst case is a text that no line holds (both passes run to the end).
  // Each search is timed seven times and the median is reported, as the
  // machine may be busy with other work.
  {
    auto median = [](auto&& fn) {
      std::vector<double> runs;
      for (int r = 0; r < 7; ++r) {
        const auto start = Clock::now();
        fn();
        runs.push_back(Since(start));
      }
      std::sort(runs.begin(), runs.end());
      return runs[runs.size() / 2];
    };
    const std::string typed = "song title number 99998";
    double worst = 0, total = 0;
    for (size_t k = 1; k <= typed.size(); ++k) {
      const double d = median([&] { (void)w.List().Find(typed.substr(0, k), 0, false); });
      worst = std::max(worst, d);
      total += d;
    }
    Report("search per typed key (worst of prefix walk)", worst, 0.005);
    std::printf("  mean per key %.2f ms\n", total * 1000.0 / static_cast<double>(typed.size()));
    int none = 0, word = 0;
    Report("search with no match (two full passes)",
           median([&] { none = w.List().Find("zzz no such line", 0, false); }), 0.005);
    Report("search found by the word pass", median([&] { word = w.List().Find("number 99998", 0, false); }),
           0.005);
    Report("search with non-ASCII text, no match",
           median([&] { (void)w.List().Find("\xc3\xa4rger", 0, false); }), 0.005);
    std::printf("  hits: %d %d\n", none, word);
    // The box's key handler as a whole: search plus selection changes.
    w.QuickFindEdit->show();
    w.QuickFindEdit->setText("song title number 9999");
    t = Clock::now();
    w.QuickFind->KeyDown('8');
    Report("quick-find key down (search + selection)", Since(t), 0.005);
    w.QuickFind->KeyDown(27);
  }

  t = Clock::now();
  w.mniRemoveDuplicatesClick();
  Report("remove duplicates", Since(t), 0.2);
  std::printf("  %s -> %d lines\n", dialogs.Messages.back().Text.c_str(), w.List().Count());

  t = Clock::now();
  w.SortByName1Click();
  app.processEvents();
  Report("sort alphabetically", Since(t), 0.2);

  // Every other line selected: the selection is as fragmented as it gets.
  {
    std::vector<char> flags(static_cast<size_t>(w.List().Count()));
    for (size_t i = 0; i < flags.size(); ++i) flags[i] = i % 2 == 0;
    t = Clock::now();
    w.List().SetSelectedFlags(flags);
    Report("select every other line", Since(t), 0.2);
  }
  t = Clock::now();
  w.Invertselection1Click();
  app.processEvents();
  Report("invert selection", Since(t), 0.2);

  t = Clock::now();
  w.List().SetItemIndex(1);
  w.ButtonRemoveClick();
  app.processEvents();
  Report("remove selected (half of the lines)", Since(t), 0.2);
  std::printf("  %d lines left\n", w.List().Count());

  t = Clock::now();
  w.btnMoveUpDownClick(w.btnMoveDown);
  Report("move down", Since(t), 0.2);

  t = Clock::now();
  w.List().Clear();
  app.processEvents();
  Report("clear", Since(t), 0.2);
  std::printf("  memory after clear: %.1f MiB above the start\n", RssMiB() - rssBefore);

  // A folder of tagged MP3 files added in the tag mode.
  if (folderFiles > 0) {
    const std::string folder = dir + "music";
    std::filesystem::create_directory(folder);
    const std::string audio = testsupport::SilentMpegFrames(4);
    for (int i = 0; i < folderFiles; ++i) {
      const std::string tag =
          testsupport::Id3v2Tag(3,
                                {testsupport::Id3v2TextFrame("TIT2", "Title " + std::to_string(i)),
                                 testsupport::Id3v2TextFrame("TPE1", "Artist " + std::to_string(i % 50)),
                                 testsupport::Id3v2TextFrame("TALB", "Album " + std::to_string(i % 20))},
                                256);
      WriteFile(folder + "/track " + std::to_string(i) + ".mp3", tag + audio);
    }
    w.VelmarisOptions.PlayListMode = 3;
    t = Clock::now();
    const int added = w.List().AddFolder(folder);
    app.processEvents();
    const double d = Since(t);
    std::printf("%-44s %9.1f ms   %d files, %.0f files/s\n", "add folder in tag mode (warm cache)", d * 1000.0,
                added, added / d);
  }

  std::filesystem::remove_all(dir);
  return 0;
}

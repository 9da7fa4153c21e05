// The playlist's lines: how a line is shown, adding and clearing lines, the
// central OpenPath, and reading and writing playlist files.
#include "app/FrmMainVelmaris.h"

#include <QLabel>
#include <QString>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/UserDialogs.h"
#include "playlist/Fileoptions.h"
#include "playlist/Kconvert.h"
#include "playlist/PathRules.h"
#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"
#include "tags/Kid3lib.h"
#include "platform/Paths.h"

namespace {

// The line for `path`, or no line when the path is not an MP3 file name.
bool MakeLine(const TFrmMainVelmaris& w, const std::string& path, TPlayListModel::Line& line) {
  if (!PathRules::IsMp3File(PathRules::ExtractFileExt(path))) return false;
  line.Entry = std::make_unique<TKObjectString>(path);
  line.Text = w.EntryDisplayText(w.VelmarisOptions.PlayListMode, path);
  return true;
}

std::string SystemError(const std::string& what, const std::string& path, int err) {
  return what + " \"" + path + "\". " + std::strerror(err);
}

// Writes `bytes` to a new file beside `path` and renames it over `path`, so
// the old file stays whole until the new one is complete on disk.
void ReplaceFile(const std::string& path, const std::string& bytes) {
  // Replace the file a symbolic link points to, not the link itself.
  std::string target = path;
  struct stat lst {};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  struct stat old {};
  const bool existed = ::stat(target.c_str(), &old) == 0;
  if (existed && S_ISDIR(old.st_mode)) throw std::runtime_error(SystemError("Cannot create file", path, EISDIR));

  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0; ++attempt) {
    temp = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    // Mode 0666 less the umask, as a newly created file gets.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt >= 100))
      throw std::runtime_error(SystemError("Cannot create file", path, errno));
  }
  auto fail = [&](int err) {
    ::close(fd);
    ::unlink(temp.c_str());
    throw std::runtime_error(SystemError("Cannot write file", path, err));
  };
  if (existed) (void)::fchmod(fd, old.st_mode & 07777);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 && errno != EINVAL) fail(errno);
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw std::runtime_error(SystemError("Cannot write file", path, err));
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    throw std::runtime_error(SystemError("Cannot create file", path, err));
  }
}

} // namespace

std::string TFrmMainVelmaris::EntryDisplayText(int mode, const std::string& path) const {
  if (mode == 0) return PathRules::ExtractFileName(path);
  if (mode == 2 || mode == 3) {
    const KID3Lib::SimpleID3 tag = KID3Lib::ReadSimpleID3(path);
    if (!tag.Version.empty()) {
      std::string text = tag.Artist + " - " + tag.Title;
      if (mode == 3) text += " [" + tag.Album + "]";
      return text;
    }
  }
  return Fileoptions::FileNameNoExt(path);
}

bool TFrmMainVelmaris::AddToPlayList(const std::string& path, int position) {
  TPlayListModel::Line line;
  if (!MakeLine(*this, path, line)) return false;
  // A position outside 0..Count() appends, like -1.
  PlayListModel->Insert(position, std::move(line.Text), std::move(line.Entry));
  return true;
}

void TFrmMainVelmaris::ClearPlayList() {
  PlayListModel->Clear();
  PlayList->SetItemIndex(-1);
}

void TFrmMainVelmaris::AddFileList(const std::vector<std::string>& paths, bool keep) {
  if (paths.empty()) return;
  if (!keep) ClearPlayList();
  // All new lines reach the list in one insertion.
  std::vector<TPlayListModel::Line> lines;
  lines.reserve(paths.size());
  for (const std::string& path : paths) {
    TPlayListModel::Line line;
    if (MakeLine(*this, path, line)) lines.push_back(std::move(line));
  }
  PlayListModel->InsertLines(-1, std::move(lines));
}

void TFrmMainVelmaris::OpenPath(const std::string& path, bool keep, bool play) {
  if (!Paths::FileExists(path)) return;
  const std::string ext = QString::fromUtf8(PathRules::ExtractFileExt(path)).toLower().toUtf8().toStdString();
  if (ext == ".vpls") {
    if (!keep) PlayListLabel->setText(QString::fromUtf8(Fileoptions::FileNameNoExt(path)));
    LoadPlayListFile(path, keep);
  } else if (ext == ".m3u") {
    std::vector<std::string> paths = Kconvert::ReadM3u(path);
    Kconvert::MakeAbsolutePaths(path, paths);
    AddFileList(paths, keep);
  } else if (ext == ".pls") {
    AddFileList(Kconvert::ReadPls(path), keep);
  } else if (ext == ".b4s") {
    AddFileList(Kconvert::ReadB4s(path), keep);
  } else if (PathRules::IsMp3File(ext)) {
    AddToPlayList(path, -1);
    if (play) {
      LoadSong(path);
      PlayerPlay();
    }
  } else {
    return;
  }
  if (play && PlayListModel->Count() > 0) {
    const TMPModes mode = PlayerMode();
    if (mode != TMPModes::mpPlaying && mode != TMPModes::mpOpen) {
      PlayList->SetItemIndex(0);
      PlayCurrentEntry();
    }
  }
}

void TFrmMainVelmaris::LoadPlayListFile(const std::string& path, bool keep) {
  const std::vector<std::string> lines = Kconvert::ReadTextLines(path);
  if (!keep) VelmarisOptions.LastListFile = path;
  AddFileList(lines, keep);
}

void TFrmMainVelmaris::SavePlayList(const std::string& path) {
  VelmarisOptions.LastListFile = path;
  const int n = PlayListModel->Count();
  size_t total = 0;
  for (int i = 0; i < n; ++i) total += PlayListModel->Path(i).size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (int i = 0; i < n; ++i) {
    bytes += PlayListModel->Path(i);
    bytes += "\r\n";
  }
  ReplaceFile(path, bytes);
}

void TFrmMainVelmaris::ButtonSaveClick() {
  std::string name = Dialogs().SaveFile(this, "Save Playlist",
                                        "Velmaris Playlists (*.vpls)|*.vpls|All Files (*.*)|*.*", "vpls");
  if (name.empty()) return;
  if (PathRules::ExtractFileExt(PathRules::ExtractFileName(name)).empty()) name += ".vpls";
  SavePlayList(name);
}

void TFrmMainVelmaris::Savecurrentplaylist1Click() {
  if (Paths::FileExists(VelmarisOptions.LastListFile)) SavePlayList(VelmarisOptions.LastListFile);
  else ButtonSaveClick();
}

void TFrmMainVelmaris::ButtonNewClick() {
  ClearPlayList();
  VelmarisOptions.LastListFile.clear();
  PlayListLabel->setText(QString());
}

#pragma once
// A main window with a scripted device and a few song files, for the player
// engine's tests.
#include <QLabel>
#include <QTimer>

#include <memory>
#include <string>

#include "app/widgets/SpeedButton.h"
#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"
#include "support/WindowFixture.h"

class PlaybackFixture : public WindowFixture {
protected:
  // A window after start-up, songs shown by file name.
  TFrmMainVelmaris& Start() {
    auto& w = CreateWindow();
    w.VelmarisOptions.PlayListMode = 0;
    Device->ClearCalls();
    Dialogs.Errors.clear();
    Dialogs.Messages.clear();
    return w;
  }
  // Appends a playlist line for `path` directly, as the playlist would.
  void AddLine(const std::string& path) {
    Window->PlayListModel->Insert(-1, Window->EntryDisplayText(0, path), std::make_unique<TKObjectString>(path));
  }
  // Makes `count` song files song0.mp3, song1.mp3, ... and a line for each.
  void AddSongs(int count) {
    for (int i = 0; i < count; ++i) AddLine(MakeSong("song" + std::to_string(i) + ".mp3"));
  }
  int Current() const { return Window->PlayList->ItemIndex(); }
  void SetCurrent(int i) { Window->PlayList->SetItemIndex(i); }
  std::string Caption() const { return Window->FileText->text().toStdString(); }
  bool TimerOn() const { return Window->MP3Timer->isActive(); }
  // Runs one tick as the event loop would: errors go to the error display.
  void Tick() {
    Window->Guarded([this] { Window->MP3TimerTimer(); });
  }
  // "visible" as the window would show it, whether or not it is on screen.
  static bool Shown(const TSpeedButton* b) { return !b->isHidden(); }
  bool Called(const std::string& call) const {
    for (const std::string& c : Device->Calls())
      if (c == call) return true;
    return false;
  }
};

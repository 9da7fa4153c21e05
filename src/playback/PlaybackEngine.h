#pragma once
// The player engine: the one place that knows what is playing. It owns the
// media device, the position timer, the playlist and the play modes, takes
// the transport commands as verbs, decides what follows the end of a song,
// and publishes its state as signals. Fronts (the window, the desktop's
// media controls) forward their commands here and show what it publishes.
// QtCore only.
//
// Errors: a command that fails throws (MediaDeviceError or
// std::runtime_error with the text to show); the front that called it shows
// it. Work that runs by itself (timer ticks, the device's completions)
// reports its errors through ErrorRaised instead.
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "options/Tvelmarisoptions.h"
#include "platform/MediaDevice.h"
#include "playlist/BackgroundWork.h"
#include "playlist/PlayList.h"

class WaveOutVolume;

class PlaybackEngine : public QObject {
  Q_OBJECT
public:
  // `volume` (not owned) may be null: the volume then only shows.
  PlaybackEngine(std::unique_ptr<MediaDevice> device, WaveOutVolume* volume, QObject* parent = nullptr);
  ~PlaybackEngine() override;

  PlayList& List() { return list_; }
  const PlayList& List() const { return list_; }
  // The settings record the program reads at start and writes at close.
  TVelmarisOptions& Options() { return options_; }
  MediaDevice* Device() const { return device_.get(); }

  // ---- the media device's own commands ----
  // Each throws MediaDeviceError without an open song.
  void PlayerPlay();    // a song that has played to its end starts again
  void PlayerPause();   // playing -> paused, paused -> playing
  void PlayerStop();
  void PlayerSetPosition(int64_t ms);
  // Mode and position that never fail: no open song -> not ready / 0.
  TMPModes PlayerMode() const;
  int64_t PlayerPosition() const;
  bool SongOpen() const { return device_ && device_->IsOpen(); }

  // ---- songs and lines ----
  // Opens `path` (a failure ends the command before anything changes), shows
  // it as the current song and starts the position timer.
  void LoadSong(const std::string& path);
  // Plays the focused line; a line whose file is gone gives an error message.
  void PlayCurrentEntry();
  // Adds what `path` holds (see PlayList::OpenPath); with `play`, an MP3 file
  // plays at once and a list plays from its first line unless a song plays
  // (a list whose tags are read in the background: once it is there).
  // False when nothing there could be opened (missing, another type).
  bool OpenPath(const std::string& path, bool keep, bool play);

  // ---- transport commands ----
  void Play();      // starts the timer, then plays
  void Pause();     // toggles pause
  void Stop();      // stops and rewinds
  void Next();      // the next line plays
  void Previous();  // the previous line plays
  void PlayRandom();  // a random other line plays
  // Moves to second `t` of the song; false (nothing done) outside the song.
  // A song that was shown playing goes on playing.
  bool SeekTo(int32_t t);
  // The same move to a millisecond of the song (0 <= ms < its length).
  bool SeekToMs(int64_t ms);
  void SkipBack() { SeekTo(PositionSeconds_ - SkipSeconds); }
  void SkipForward() { SeekTo(PositionSeconds_ + SkipSeconds); }
  // A click at `x` of a bar `width` pixels wide.
  void SeekAt(int x, int width);
  static constexpr int32_t SkipSeconds = 10;

  // ---- play modes: at most one of them is on ----
  bool Shuffle() const { return shuffle_; }
  bool Repeat() const { return repeat_; }
  void SetShuffle(bool on);
  void SetRepeat(bool on);

  // ---- the position timer ----
  static constexpr int TimerIntervalMs = 499;
  // One tick: reads the position, moves on at the end of a song, publishes
  // Ticked. Throws what the device throws (the timer stops first).
  void Tick();
  bool TimerActive() const { return timer_.isActive(); }
  void StopTimer() { timer_.stop(); }
  // What follows the end of a song: the song again (repeat), a random or the
  // next line; true when another line started.
  bool SongFinished();

  // ---- gapless continuation ----
  // A song that plays and has less than this left gets the line that will
  // follow it queued on the device, so the next song starts without a gap.
  static constexpr int64_t QueueAheadMs = 5000;
  // The line queued to follow the playing song, -1 for none.
  int QueuedLine() const { return upcoming_.line; }

  // ---- what the fronts show ----
  int32_t LengthSeconds() const { return LengthSeconds_; }
  int32_t PositionSeconds() const { return PositionSeconds_; }
  const std::string& Caption() const { return caption_; }  // " " + display text, cut
  bool CaptionCut() const { return captionCut_; }
  const std::string& TrayHint() const { return trayHint_; }
  // The open song's tag, read once on a thread of its own after the song
  // opened (no Version: none, or not read yet; SongTextsChanged follows).
  const KID3Lib::SimpleID3& SongTag() const { return songTag_; }
  std::string LengthText();          // " [mm:ss] total time"
  std::string PositionText() const;  // " [mm:ss]"
  std::string TimeLeftText();        // "mm:ss"; throws without a song
  std::string ExpandDisplayFormat(const std::string& format);
  // The transport buttons as last shown: updated by every tick (from the
  // device's mode) and by Stop.
  struct TransportButtons {
    bool PlayVisible = true, PlayEnabled = false;
    bool PauseVisible = false, PauseEnabled = false;
    bool StopEnabled = false;
    bool SeekEnabled = false;
  };
  const TransportButtons& Buttons() const { return buttons_; }

  // ---- volume ----
  int VolumePercent() const { return volumePercent_; }
  // The level last set or read (0.0..1.0), before it was rounded for showing.
  float VolumeLevel() const { return volumeLevel_; }
  // Shows the device's volume; false (a message is requested) when it
  // cannot be read.
  bool ReadDeviceVolume();
  void SetVolumeLevel(float level);  // 0.0..1.0, clamped
  void VolumeRightClick();           // +15 %, wrapping to 0
  void VolumeDragStart(int x);
  void VolumeDragMove(int x);

signals:
  void SongLoaded();
  // The song's tag has been read: its caption, tray hint and tag are new.
  void SongTextsChanged();
  // The device was told to play, pause, stop or move (its mode may differ).
  void StateChanged();
  void Ticked();
  void Seeked();
  void ButtonsChanged();
  void TrayHintChanged();
  void VolumeChanged();
  void ModesChanged();
  // A message for the user: caption, text, and a TMsgIcon value.
  void MessageRequested(const std::string& caption, const std::string& text, int icon);
  // An error from work that ran by itself (a tick, a completion).
  void ErrorRaised(const std::string& text);

private:
  MediaDevice& OpenDevice() const;
  void UpdateButtons();
  void SetTrayHint(const std::string& hint);
  void RunReported(void (PlaybackEngine::*step)());
  // What opening a song shows: caption, tray hint, length, the last file.
  void ShowOpenedSong(const std::string& path);
  void ShowSongTexts(const std::string& path);
  void ReadSongTag(const std::string& path);
  // The line the end-of-song rules would choose, without moving the focus
  // (shuffle draws it here); -1 for none.
  int UpcomingLine();
  void QueueUpcoming(int64_t position, int64_t length);
  // What the device tells: a queued song took over, a song finished, a
  // failure, the output lost, the volume set in the desktop's mixer.
  void OnDeviceEvent(const MediaEvent& event);
  // The queued song `path` has become audible: shown now, as if it had been
  // opened then.
  void ShowQueuedSong(const std::string& path);
  // Takes in what the device has told and the engine has not seen yet, so
  // that a command acts on the song that is audible now.
  void CatchUp();
  // A command changes what follows: the queued song is dropped (a song that
  // has already taken over is shown first), the next tick queues anew.
  void DropUpcoming();
  // The song is replaced by an Open: what was queued no longer matters.
  void ForgetUpcoming();
  // The first line plays unless a song plays or is open.
  void PlayFirstLineIfIdle();

  std::unique_ptr<MediaDevice> device_;
  WaveOutVolume* volume_;
  PlayList list_;
  TVelmarisOptions options_;
  QTimer timer_;
  int32_t LengthSeconds_ = 0;
  int32_t PositionSeconds_ = 0;
  int zeroLengthEnds_ = 0;  // songs of no length that ended in a row
  // The line chosen to follow the playing song and handed to the device
  // (a shuffle draw is made once), until the device says it took over or a
  // command changes what follows.
  struct Upcoming {
    int line = -1;
    std::string path;
    bool tried = false;  // once per song and per change of what follows
  } upcoming_;
  bool catchingUp_ = false;  // inside CatchUp: events do not tick by themselves
  std::string caption_;
  bool captionCut_ = false;
  std::string trayHint_;
  KID3Lib::SimpleID3 songTag_;
  BackgroundWork songTagWork_;
  bool playWhenAdded_ = false;  // an open with play waits for its lines
  TransportButtons buttons_;
  bool shuffle_ = false;
  bool repeat_ = false;
  int volumePercent_;
  float volumeLevel_;
  float volumeDragStartLevel_ = 0.0f;
  int volumeDragStartX_ = 0;
};

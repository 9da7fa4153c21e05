#pragma once
// A media device without sound, driven by a script. It keeps the state a
// real device would (open, mode, position, length) and follows the same
// rules for each command, records every call, and reports completion only
// when told to, so tests decide when a song ends. It is an ideal gapless
// device: a queued song takes over at the exact millisecond the open one
// ends.
#include <string>
#include <vector>

#include "platform/MediaDevice.h"

class NullMediaDevice : public MediaDevice {
public:
  void Open(const std::string& path) override;
  void Close() override;
  bool IsOpen() const override { return open_; }
  void Play() override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
  void SetPosition(int64_t ms) override;
  void Rewind() override;
  int64_t Length() const override;
  int64_t Position() const override;
  TMPModes Mode() const override;
  bool QueueNext(const std::string& path, std::string* reason = nullptr) override;
  void DropQueued() override;
  std::string QueuedPath() const override { return queued_; }
  // Delivers the song changes owed (what has happened is told before a command).
  void DeliverEvents() override { DeliverTransitions(); }
  void SetVolume(uint32_t waveOutVolume) override { volume_ = waveOutVolume; }
  void SetTitle(const std::string& title) override { title_ = title; }

  // --- script ---
  // Every call made, in order: "Open <path>", "Close", "Play", "Pause",
  // "Resume", "Stop", "SetPosition <ms>", "Rewind", "QueueNext <path>",
  // "DropQueued". Queries are not recorded.
  const std::vector<std::string>& Calls() const { return calls_; }
  void ClearCalls() { calls_.clear(); }
  // The path of the open song ("" when none).
  const std::string& OpenPath() const { return path_; }

  // Length of songs opened from now on, and of the open one.
  void ScriptLength(int64_t ms);
  // Length of songs queued from now on (0: the ScriptLength one).
  void ScriptQueuedLength(int64_t ms) { scriptedQueuedLength_ = ms; }
  void ScriptPosition(int64_t ms) { position_ = ms; }
  void ScriptMode(TMPModes mode) { mode_ = mode; }
  // Every Open fails with `text` while it is not empty.
  void FailOpen(const std::string& text) { openError_ = text; }
  // Every QueueNext refuses with `text` as its reason while it is not
  // empty (a file that does not open, a different sample rate).
  void FailQueue(const std::string& text) { queueError_ = text; }
  // Every Resume fails with `text` while it is not empty.
  void FailResume(const std::string& text) { resumeError_ = text; }

  // Plays are started and ended only by the script: the device never moves
  // the position by itself. A play is pending after Play or Resume until
  // another command ends it or the script ends it.
  bool PlayPending() const { return playPending_; }
  // Completions owed to ended plays and not delivered yet.
  int PendingCompletions() const { return owedCompletions_; }
  // Runs the completion handler once for each owed completion (at least
  // once); returns how many times it ran.
  int DeliverCompletions();
  // Announces the song's end once, owed or not.
  void FireCompletion();
  // Announces any event (a failure, a lost output, a volume set outside).
  void Tell(const MediaEvent& event) { Announce(event); }
  // The last volume and title the engine gave the device.
  uint32_t Volume() const { return volume_; }
  const std::string& Title() const { return title_; }
  // The song plays to its end: position = length, stopped, and the
  // completion of the pending play is delivered at once. With a song queued
  // the queued song becomes the open one instead (position 0, still
  // playing, the play still pending) and the transition is delivered at
  // once.
  void PlayToEnd();
  // A playing device plays `ms` milliseconds on: past the end of the song
  // the queued song takes over and plays the rest (one transition owed), or
  // without one the song ends (one completion owed). Nothing is delivered:
  // the test delivers with DeliverTransitions/DeliverCompletions, so it can
  // run commands in between as a busy UI thread would.
  void Advance(int64_t ms);
  // Transitions owed and not delivered yet; delivering announces each, and returns how many times it ran.
  int PendingTransitions() const { return static_cast<int>(owedTransitions_.size()); }
  int DeliverTransitions();

private:
  void CheckOpen() const;
  void EndPlay();
  void TakeOverQueued(int64_t intoNextMs);

  std::vector<std::string> calls_;
  bool open_ = false;
  std::string path_;
  int64_t length_ = 0;
  int64_t scriptedLength_ = 60000;
  int64_t position_ = 0;
  TMPModes mode_ = TMPModes::mpNotReady;
  std::string openError_;
  std::string resumeError_;
  std::string queueError_;
  std::string queued_;
  int64_t queuedLength_ = 0;
  int64_t scriptedQueuedLength_ = 0;
  std::vector<MediaEvent> owedTransitions_;
  uint32_t volume_ = 0xFFFFFFFFu;
  std::string title_;
  bool playPending_ = false;
  int owedCompletions_ = 0;
};

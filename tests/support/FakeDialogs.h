#pragma once
// Records every modal call and answers from a script, so window tests never
// block.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/UserDialogs.h"

class FakeDialogs : public UserDialogs {
public:
  struct Message {
    std::string Caption, Text;
    TMsgIcon Icon;
  };
  std::vector<Message> Messages;  // MessageBox calls
  std::vector<std::string> Errors;  // ShowError calls
  std::vector<std::string> Titles;  // titles of file and folder dialogs, in order
  std::vector<std::string> Filters; // filters of file dialogs
  std::vector<int> FilterIndexes;
  std::vector<std::string> Opened;  // OpenInShell calls

  // Answers, taken front first; an empty queue answers "cancelled".
  std::deque<std::vector<std::string>> OpenAnswers;
  std::deque<std::string> SaveAnswers;
  std::deque<std::string> FolderAnswers;
  std::vector<std::string> FolderStarts;

  void MessageBox(QWidget*, const std::string& caption, const std::string& text, TMsgIcon icon) override {
    Messages.push_back({caption, text, icon});
  }
  void ShowError(QWidget*, const std::string& text) override { Errors.push_back(text); }
  std::vector<std::string> OpenFiles(QWidget*, const std::string& title, const std::string& filter, int filterIndex,
                                     bool) override {
    Titles.push_back(title);
    Filters.push_back(filter);
    FilterIndexes.push_back(filterIndex);
    if (OpenAnswers.empty()) return {};
    auto a = OpenAnswers.front();
    OpenAnswers.pop_front();
    return a;
  }
  std::string SaveFile(QWidget*, const std::string& title, const std::string& filter, const std::string&) override {
    Titles.push_back(title);
    Filters.push_back(filter);
    if (SaveAnswers.empty()) return {};
    auto a = SaveAnswers.front();
    SaveAnswers.pop_front();
    return a;
  }
  std::string BrowseFolder(QWidget*, const std::string& title, const std::string& start) override {
    Titles.push_back(title);
    FolderStarts.push_back(start);
    if (FolderAnswers.empty()) return {};
    auto a = FolderAnswers.front();
    FolderAnswers.pop_front();
    return a;
  }
  void OpenInShell(const std::string& what) override { Opened.push_back(what); }

  // Modal forms: counted; OnModal (when set) may fill in the form and
  // answers OK (true) or Cancel (false). Without it every form is cancelled.
  int ModalCount = 0;
  std::function<bool(QDialog&)> OnModal;
  bool ExecModal(QDialog& dialog) override {
    ++ModalCount;
    return OnModal ? OnModal(dialog) : false;
  }
};

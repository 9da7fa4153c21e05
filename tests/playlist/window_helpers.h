#pragma once
// Helpers of the playlist window tests: a window with lines of given texts,
// and real key events sent where the keyboard focus is.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include <string>
#include <vector>

#include "app/FrmMainVelmaris.h"
#include "playlist/PlayListBox.h"
#include "playlist/PlayListModel.h"
#include "support/TagBytes.h"
#include "support/WindowFixture.h"

class PlayListWindow : public WindowFixture {
protected:
  TFrmMainVelmaris& W() { return *Window; }
  TPlayListBox& List() { return *Window->PlayList; }
  TPlayListModel& Model() { return *Window->PlayListModel; }

  // A created window showing its playlist panel, with the list focused.
  TFrmMainVelmaris& ShownWindow() {
    auto& w = CreateWindow();
    w.PlayListPanel->show();
    w.show();
    QApplication::setActiveWindow(&w);
    w.PlayList->setFocus();
    QApplication::processEvents();
    return w;
  }

  // Lines "<folder>/<name>.mp3" in file-name-without-extension mode, so each
  // line shows `name`.
  void SetLines(const std::vector<std::string>& names) {
    W().VelmarisOptions.PlayListMode = 1;
    for (const std::string& n : names) ASSERT_TRUE(W().AddToPlayList(Dir.File(n + ".mp3"), -1));
  }

  std::vector<int> SelectedRows() {
    std::vector<int> rows;
    const std::vector<char> f = List().SelectedFlags();
    for (size_t i = 0; i < f.size(); ++i)
      if (f[i]) rows.push_back(static_cast<int>(i));
    return rows;
  }

  void Select(const std::vector<int>& rows) {
    List().DeselectAll();
    for (int r : rows) List().SetSelected(r, true);
  }

  // One key pressed and released where the keyboard focus is at each moment.
  static QWidget* Focus() { return QApplication::focusWidget(); }
  static void Press(int key, const QString& text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = Focus();
    ASSERT_NE(target, nullptr);
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &e);
  }
  static void Release(int key, const QString& text = QString(), Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = Focus();
    ASSERT_NE(target, nullptr);
    QKeyEvent e(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &e);
  }
  static void Key(int key, const QString& text = QString()) {
    Press(key, text);
    Release(key, text);
  }
  // A typed character: its key and its text.
  static void Type(char c) {
    const QString text(QChar::fromLatin1(c));
    int key = c;
    if (c >= 'a' && c <= 'z') key = Qt::Key_A + (c - 'a');
    Key(key, text);
  }
};

// The window from the keyboard, headless: which controls Tab reaches as the
// window folds and songs come and go, and when the focus mark is drawn.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/widgets/SkinImage.h"
#include "app/widgets/SpeedButton.h"
#include "support/WindowFixture.h"

namespace {

class KeyboardFocus : public WindowFixture {
protected:
  TFrmMainVelmaris& ShownWindow() {
    auto& w = CreateWindow();
    w.show();
    w.activateWindow();
    QElapsedTimer t;
    t.start();
    while (!w.isActiveWindow() && t.elapsed() < 5000) QCoreApplication::processEvents();
    EXPECT_TRUE(w.isActiveWindow());
    return w;
  }
  static void Key(TFrmMainVelmaris& w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent e(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : &w, &e);
  }
  static std::string Name(const QWidget* c) {
    if (!c) return "(none)";
    return (c->accessibleName().isEmpty() ? c->toolTip() : c->accessibleName()).toStdString();
  }
  // Names of the controls Tab reaches, once round, from the window itself.
  static std::vector<std::string> TabWalk(TFrmMainVelmaris& w) {
    std::vector<std::string> names;
    for (int i = 0; i < 40; ++i) {
      Key(w, Qt::Key_Tab);
      const std::string name = Name(QApplication::focusWidget());
      if (!names.empty() && name == names.front()) break;
      names.push_back(name);
    }
    return names;
  }
};

const std::vector<std::string> Caption{"Options", "Make Transparent", "Minimize", "Close"};

TEST_F(KeyboardFocus, TabReachesOnlyTheControlsOnShowThatCanAct) {
  std::vector<std::string> normalStopped = Caption;
  for (const char* n : {"Load mp3s", "Position", "Volume", "Previous song", "Next song", "Shuffle On/Off",
                        "Repeat Song", "Show/Hide Playlist"})
    normalStopped.push_back(n);
  std::vector<std::string> normalPlaying = Caption;
  for (const char* n : {"Load mp3s", "Rewind 10 seconds", "Position", "Fast forward 10 seconds", "Volume",
                        "Previous song", "Pause", "Stop", "Next song", "Shuffle On/Off", "Repeat Song",
                        "Show/Hide Playlist"})
    normalPlaying.push_back(n);
  const struct {
    int fold;
    bool playing;
    std::vector<std::string> order;
  } cases[] = {
      {0, false, Caption},  // folded to the caption row
      {0, true, Caption},
      {1, false, normalStopped},  // disabled transport buttons are skipped
      {1, true, normalPlaying},   // Pause stands in for Play
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("fold " + std::to_string(c.fold) + (c.playing ? ", playing" : ", stopped"));
    auto& w = ShownWindow();
    if (c.playing) {
      Engine().LoadSong(MakeSong("a.mp3"));
      Engine().Play();
    }
    w.SetFoldMode(static_cast<int8_t>(c.fold));
    EXPECT_EQ(TabWalk(w), c.order);
    Key(w, Qt::Key_Backtab);
    EXPECT_EQ(Name(QApplication::focusWidget()), c.order.back()) << "Shift+Tab from the first control";
    Window.reset();
  }
}

TEST_F(KeyboardFocus, TheMarkShowsWhileTheKeyboardIsInUseAndEscGivesTheKeysBack) {
  auto& w = ShownWindow();
  w.SetFoldMode(1);
  EXPECT_EQ(w.FocusMarkedControl(), nullptr);
  Key(w, Qt::Key_Tab);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.FocusMarkedControl(), w.SysIconImage);
  // A click anywhere in the window is mouse use: the mark goes, the focus stays.
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::RightButton, Qt::RightButton,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(w.MainImage, &press);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.FocusMarkedControl(), nullptr);
  EXPECT_EQ(QApplication::focusWidget(), w.SysIconImage);
  Key(w, Qt::Key_Tab);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.FocusMarkedControl(), w.MakeTransButton);
  Key(w, Qt::Key_Escape);
  QCoreApplication::processEvents();
  EXPECT_EQ(w.focusWidget(), nullptr);
  EXPECT_EQ(w.FocusMarkedControl(), nullptr);
  // The Menu key opens the menu a right click on the skin opens.
  Key(w, Qt::Key_Menu);
  EXPECT_TRUE(w.PopupMenu1->isVisible());
  w.PopupMenu1->hide();
}

} // namespace

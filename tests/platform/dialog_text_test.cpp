// What the real message boxes show of a text.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <chrono>

#include "platform/QtUserDialogs.h"

TEST(MessageBoxText, ShortAndNeverReplacementCharacters) {
  EXPECT_EQ(MessageBoxText("latin1-\xE9t\xE9 does not exist."), QStringLiteral("latin1-\u00E9t\u00E9 does not exist."));
  EXPECT_EQ(MessageBoxText("\xC3\xA9t\xC3\xA9"), QStringLiteral("\u00E9t\u00E9"));
  EXPECT_EQ(MessageBoxCaption("Velmaris"), QStringLiteral("Velmaris"));
  EXPECT_FALSE(MessageBoxCaption("caf\xE9").contains(QChar(0xFFFD)));

  // A playlist line of 50 MB, and a skin script without ";".
  const std::string line = "/m/" + std::string(50u << 20, 'x') + "/a.mp3 does not exist.";
  const auto start = std::chrono::steady_clock::now();
  const QString shown = MessageBoxText(line);
  const QString caption = MessageBoxCaption(line);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count(),
            1000);
  EXPECT_EQ(shown.size(), 600);
  EXPECT_TRUE(shown.startsWith(QStringLiteral("/m/xxx")));
  EXPECT_TRUE(shown.endsWith(QStringLiteral("xxx/a.mp3 does not exist.")));
  EXPECT_LE(caption.size(), 200);
}

TEST(MessageBoxText, MoreMessagesAreCountedWithThousandsSeparated) {
  const struct {
    size_t more;
    const char* expected;
  } cases[] = {{0, "x"}, {1, "x\n\n... and 1 more message"}, {999, "x\n\n... and 999 more messages"},
               {2199, "x\n\n... and 2,199 more messages"}, {1234567, "x\n\n... and 1,234,567 more messages"}};
  for (const auto& c : cases) EXPECT_EQ(WithMoreMessages("x", c.more), c.expected) << c.more;
}

// Messages that come while a box is open never open a box of their own: the
// first of them follows in one box that counts the rest.
TEST(MessageBoxes, OneBoxAtATimeAndTheRestMerged) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "dialogs";
  static char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  QtUserDialogs dialogs;
  QStringList shown;
  int mostOpen = 0;
  QTimer closer;
  closer.setInterval(5);
  QObject::connect(&closer, &QTimer::timeout, [&] {
    int open = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<QMessageBox*>(w) && w->isVisible()) ++open;
    mostOpen = std::max(mostOpen, open);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown << box->text();
    // While the first box is open, 220 more messages arrive.
    if (shown.size() == 1)
      for (int i = 0; i < 220; ++i) dialogs.MessageBox(nullptr, "Velmaris", "more " + std::to_string(i), TMsgIcon::Error);
    box->accept();
  });
  closer.start();
  dialogs.MessageBox(nullptr, "Velmaris", "first", TMsgIcon::Error);
  EXPECT_EQ(shown, (QStringList{QStringLiteral("first"), QStringLiteral("more 0\n\n... and 219 more messages")}));
  EXPECT_EQ(mostOpen, 1);
}

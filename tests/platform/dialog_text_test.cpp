// What the real message boxes show of a text.
#include <gtest/gtest.h>

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

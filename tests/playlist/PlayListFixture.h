#pragma once
// The playlist of a running engine (no window): lines named by text, and the
// selection as line numbers.
#include <string>
#include <vector>

#include "support/EngineFixture.h"

class PlayListTest : public EngineFixture {
protected:
  using Strings = std::vector<std::string>;
  using Rows = std::vector<int>;

  void SetUp() override {
    EngineFixture::SetUp();
    Start();
  }

  // Lines "<temp folder>/<name>.mp3" shown without extension, so each line
  // shows `name`. The files are not made.
  void SetLines(const Strings& names) {
    List().SetDisplayMode(1);
    for (const std::string& n : names) ASSERT_TRUE(List().Add(Dir.File(n + ".mp3"), -1));
  }

  Rows SelectedRows() const {
    Rows rows;
    const std::vector<char> f = List().SelectedFlags();
    for (size_t i = 0; i < f.size(); ++i)
      if (f[i]) rows.push_back(static_cast<int>(i));
    return rows;
  }

  // Exactly `rows` selected, then the focus on `focus`.
  void Select(const Rows& rows, int focus) {
    List().DeselectAll();
    for (int r : rows) List().SetSelected(r, true);
    List().SetItemIndex(focus);
  }
};

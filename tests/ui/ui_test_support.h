// Helpers shared by the window tests.
#pragma once

#include <QString>
#include <vector>

#include "ui/controls/guard.h"

namespace miravel::ui::testing_support {

struct Box {
  QString caption;
  QString text;
};

// Answers every error box shown while it lives, recording caption and text.
class BoxRecorder {
 public:
  BoxRecorder() {
    SetErrorBoxHookForTests(
        [this](const QString& caption, const QString& text) { boxes.push_back({caption, text}); });
  }
  ~BoxRecorder() { SetErrorBoxHookForTests({}); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  std::vector<Box> boxes;
};

}  // namespace miravel::ui::testing_support

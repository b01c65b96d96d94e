// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the window tests.
#pragma once

#include <QSlider>
#include <QString>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <vector>

#include "ui/dialogs.h"

namespace miravel::ui::testing_support {

struct Box {
  QString caption;
  QString text;
};

// Answers every message box shown while it lives, recording caption and text.
class BoxRecorder {
 public:
  BoxRecorder() {
    MessageBox::SetAnswer([this](QMessageBox& box) {
      boxes.push_back({box.windowTitle(), box.text()});
      return QMessageBox::Ok;
    });
  }
  ~BoxRecorder() { MessageBox::SetAnswer({}); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  std::vector<Box> boxes;
};

// Types `text` into `widget` key by key. QTest::keyClicks sends Latin-1
// only; this sends any character as a key press with that text, as a
// keyboard in another layout does.
inline void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    const auto key = static_cast<Qt::Key>(c.toUpper().unicode());
    QTest::sendKeyEvent(QTest::Click, widget, key, QString(c), Qt::NoModifier);
  }
}

// The thumb's rectangle of a horizontal slider as its style draws it.
inline QRect ThumbRect(const QSlider& bar) {
  QStyleOptionSlider opt;
  opt.initFrom(&bar);
  opt.orientation = bar.orientation();
  opt.state |= QStyle::State_Horizontal;
  opt.minimum = bar.minimum();
  opt.maximum = bar.maximum();
  opt.sliderPosition = bar.sliderPosition();
  opt.sliderValue = bar.value();
  opt.singleStep = bar.singleStep();
  opt.pageStep = bar.pageStep();
  opt.tickPosition = bar.tickPosition();
  opt.tickInterval = bar.tickInterval();
  opt.upsideDown = bar.invertedAppearance();
  opt.subControls = QStyle::SC_All;
  return bar.style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, &bar);
}

}  // namespace miravel::ui::testing_support

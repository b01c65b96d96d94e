// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the window tests.
#pragma once

#include <QFile>
#include <QRect>
#include <QSlider>
#include <QString>
#include <QXmlStreamReader>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <vector>

#include "ui/dialogs.h"

namespace miravel::ui::testing_support {

// One control of a Qt Designer form: its name, its container's name and the
// rectangle the form gives it.
struct FormControl {
  QString name;
  QString container;
  QRect rect;
};

// The controls of the form `file` (in the source tree's window folder), in
// the order the form makes them; the first is the window itself.
inline std::vector<FormControl> ReadForm(const char* file) {
  QFile in(QStringLiteral(MIRAVEL_FORMS_DIR "/") + QString::fromLatin1(file));
  std::vector<FormControl> controls;
  if (!in.open(QIODevice::ReadOnly)) return controls;
  QXmlStreamReader xml(&in);
  std::vector<std::size_t> open;  // the widgets being read, outermost first
  std::vector<QString> path;  // the elements being read
  while (!xml.atEnd()) {
    const QXmlStreamReader::TokenType token = xml.readNext();
    if (token == QXmlStreamReader::StartElement) {
      const QString element = xml.name().toString();
      if (element == QLatin1String("widget")) {
        const QString container = open.empty() ? QString() : controls[open.back()].name;
        controls.push_back({xml.attributes().value(QLatin1String("name")).toString(), container, {}});
        open.push_back(controls.size() - 1);
      } else if (!open.empty() && path.size() >= 2 && path[path.size() - 1] == QLatin1String("rect") &&
                 path[path.size() - 2] == QLatin1String("property")) {
        const int value = xml.readElementText().toInt();
        QRect& rect = controls[open.back()].rect;
        if (element == QLatin1String("x")) rect.moveLeft(value);
        if (element == QLatin1String("y")) rect.moveTop(value);
        if (element == QLatin1String("width")) rect.setWidth(value);
        if (element == QLatin1String("height")) rect.setHeight(value);
        continue;  // readElementText consumed the end of the element
      }
      path.push_back(element);
    } else if (token == QXmlStreamReader::EndElement) {
      if (xml.name() == QLatin1String("widget")) open.pop_back();
      path.pop_back();
    }
  }
  return controls;
}

struct Box {
  QString caption;
  QString text;
};

// Answers every message box shown while it lives, recording caption and text.
class BoxRecorder {
 public:
  BoxRecorder() {
    MessageDialog::SetAnswer([this](QMessageBox& box) {
      boxes.push_back({box.windowTitle(), box.text()});
      return QMessageBox::Ok;
    });
  }
  ~BoxRecorder() { MessageDialog::SetAnswer({}); }
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/fonts.h"

#include <QFontMetrics>
#include <QStringList>

namespace miravel::ui {
namespace {

// The families asked for, in order. The designed face and its TrueType form
// come first only where the system can have them: Qt looks for every family
// it is given, and one that is not installed costs a fallback search in the
// font configuration (about 3 % of the start-up's instructions on Linux,
// measured with bench/startup.sh and callgrind). Then Cantarell, whose line
// heights match the designed face; the last two are fallbacks for a machine
// with none of these, close in width, not in height.
QStringList Families() {
  return QStringList {
#if defined(Q_OS_WIN)
    QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
#elif defined(Q_OS_MACOS)
    QStringLiteral("Microsoft Sans Serif"),  // macOS has the TrueType form
#endif
        QStringLiteral("Cantarell"), QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")
  };
}

QFont Face(int pixels) {
  QFont font;
  font.setFamilies(Families());
  font.setPixelSize(pixels);
  font.setWeight(QFont::Normal);
  font.setStyle(QFont::StyleNormal);
  return font;
}

}  // namespace

QFont WindowFont() { return Face(kWindowFontPixels); }

QFont LargerFont() { return Face(kLargerFontPixels); }

int LineHeight(const QFont& font) { return QFontMetrics(font).height(); }

}  // namespace miravel::ui

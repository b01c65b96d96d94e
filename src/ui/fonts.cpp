#include "ui/fonts.h"

#include <QFontMetrics>
#include <QStringList>

namespace miravel::ui {
namespace {

QFont Face(int pixels) {
  QFont font;
  // The designed face where the system has it (Windows, with its TrueType
  // form after it), else Cantarell, whose line heights match it; the last two
  // are fallbacks for a machine with neither, close in width, not in height.
  font.setFamilies(QStringList{QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                               QStringLiteral("Cantarell"), QStringLiteral("DejaVu Sans"),
                               QStringLiteral("Liberation Sans")});
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

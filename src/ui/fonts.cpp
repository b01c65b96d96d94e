#include "ui/fonts.h"

#include <QFontMetrics>
#include <QStringList>

namespace miravel::ui {
namespace {

QFont Face(int pixels) {
  QFont font;
  // Fallbacks for a machine without Cantarell: close in width, not in height.
  font.setFamilies(QStringList{QStringLiteral("Cantarell"), QStringLiteral("DejaVu Sans"),
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

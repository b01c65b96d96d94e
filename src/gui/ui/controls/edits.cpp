// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/edits.h"

#include <QProxyStyle>
#include <QValidator>
#include <limits>

namespace miravel::ui {
namespace {

// Accepts every text and turns it to upper case in place. The edit box runs
// it on every change before the change shows, so textChanged carries the
// upper-case text, once.
class UpperCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;

  State validate(QString& input, int& pos) const override {
    // Upper case may lengthen a text ("ß" gives "SS"): the cursor stays
    // behind the same characters.
    pos = static_cast<int>(input.left(pos).toUpper().size());
    input = input.toUpper();
    return Acceptable;
  }
};

// The platform's style, except that a password shows as "*" at once.
class PasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* return_data) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
    return QProxyStyle::styleHint(hint, option, widget, return_data);
  }
};

}  // namespace

UpperCaseEdit::UpperCaseEdit(QWidget* parent) : QLineEdit(parent) {
  setValidator(new UpperCaseValidator(this));
  setMaxLength(std::numeric_limits<int>::max());
}

PasswordEdit::PasswordEdit(QWidget* parent) : QLineEdit(parent) {
  // The widget does not take the style over; as a child it goes with it.
  auto* style = new PasswordStyle;
  style->setParent(this);
  setStyle(style);
  setEchoMode(QLineEdit::Password);
}

}  // namespace miravel::ui

// SPDX-License-Identifier: GPL-3.0-or-later
// The two edit boxes with a rule of their own:
// - UpperCaseEdit turns every letter to upper case as it goes in, whether
//   typed, pasted or set from code (Cyrillic too), with no length limit;
// - PasswordEdit shows "*" for every character while keeping the typed text.
#pragma once

#include <QLineEdit>

namespace miravel::ui {

class UpperCaseEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit UpperCaseEdit(QWidget* parent = nullptr);
};

class PasswordEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit PasswordEdit(QWidget* parent = nullptr);
};

}  // namespace miravel::ui

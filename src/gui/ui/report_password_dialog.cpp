// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_password_dialog.h"

#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "ui/fonts.h"
#include "ui/window_frame.h"

namespace miravel::ui {

ReportPasswordDialog::ReportPasswordDialog() {
  setObjectName(QStringLiteral("PasswordDlg"));
  SetUpFixedFrame(*this, Qt::Dialog, QSize(233, 93));
  setWindowTitle(QStringLiteral("Просмотр отчета"));
  setFont(WindowFont());
  // The main window alone decides when the program ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  move(245, 108);

  promptLabel = new MnemonicLabel(QStringLiteral("Введите пароль"), this);
  promptLabel->setObjectName(QStringLiteral("Label1"));
  promptLabel->move(8, 9);
  promptLabel->adjustSize();  // the size of its text

  passwordEdit = new PasswordEdit(this);
  passwordEdit->setObjectName(QStringLiteral("Password"));
  passwordEdit->setGeometry(8, 27, 217, 21);
  promptLabel->setBuddy(passwordEdit);  // a screen reader names the edit by the prompt

  okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("OKBtn"));
  okButton->setGeometry(70, 59, 75, 25);
  okButton->setDefault(true);

  cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton->setObjectName(QStringLiteral("CancelBtn"));
  cancelButton->setGeometry(150, 59, 75, 25);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  waitLabel = new QLabel(this);
  waitLabel->setObjectName(QStringLiteral("WaitLabel"));
  waitLabel->setGeometry(6, 59, 62, 25);
  waitLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  waitLabel->setWordWrap(true);
  waitLabel->hide();
  waitTimer = new QTimer(this);
  waitTimer->setSingleShot(true);

  setTabOrder(passwordEdit, okButton);
  setTabOrder(okButton, cancelButton);
}

void ReportPasswordDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!placed_) {
    placed_ = true;
    if (QScreen* s = screen()) {
      const QRect area = s->geometry();
      const QRect frame = frameGeometry();
      move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
      // Centred on the whole screen, it may still reach under a panel.
      KeepOnScreen(*this);
    }
  }
  passwordEdit->setFocus(Qt::ActiveWindowFocusReason);
}

void ReportPasswordDialog::showWait(Wait wait, std::chrono::milliseconds left) {
  const bool waiting = wait != Wait::kNone;
  // The focus stays in the box (a disabled OK would hand it to Cancel, and
  // the next Enter would close the window).
  if (waiting && okButton->hasFocus()) passwordEdit->setFocus(Qt::OtherFocusReason);
  okButton->setEnabled(!waiting);
  QString note;
  if (wait == Wait::kChecking) {
    note = QStringLiteral("Проверка…");
  } else if (wait == Wait::kAfterWrong) {
    using std::chrono::milliseconds;
    const long long seconds = (left.count() + 999) / 1000;  // 0.2 s left reads "1 с"
    note = QStringLiteral("Ждите %1 с").arg(seconds);
    // Due again when the count drops by one.
    waitTimer->start(milliseconds(std::max<long long>(left.count() - (seconds - 1) * 1000, 1)));
  }
  if (wait != Wait::kAfterWrong) waitTimer->stop();
  if (waitLabel->text() != note) waitLabel->setText(note);
  waitLabel->setVisible(waiting);
  okButton->setToolTip(waiting ? note : QString());
}

}  // namespace miravel::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/report_password_dialog.h"

#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "ui/fonts.h"
#include "ui/window_frame.h"
#include "ui_report_password_dialog.h"

namespace miravel::ui {

ReportPasswordDialog::ReportPasswordDialog() : form_(std::make_unique<::Ui::ReportPasswordDialog>()) {
  form_->setupUi(this);
  SetUpFixedFrame(*this, Qt::Dialog, QSize(233, 93));
  setFont(WindowFont());
  // The main window alone decides when the program ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  move(245, 108);

  promptLabel = form_->Label1;
  passwordEdit = form_->Password;
  okButton = form_->OKBtn;
  cancelButton = form_->CancelBtn;
  waitLabel = form_->WaitLabel;
  promptLabel->adjustSize();  // the size of its text
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  waitTimer = new QTimer(this);
  waitTimer->setSingleShot(true);
}

ReportPasswordDialog::~ReportPasswordDialog() = default;

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

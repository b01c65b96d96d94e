#include "ui/Unit2.h"

#include <QScreen>
#include <QShowEvent>

#include "ui/fonts.h"
#include "ui/window_frame.h"

using miravel::ui::MnemonicLabel;
using miravel::ui::PasswordEdit;

TPasswordDlg::TPasswordDlg() {
  setObjectName(QStringLiteral("PasswordDlg"));
  miravel::ui::SetUpFixedFrame(*this, Qt::Dialog, QSize(233, 93));
  setWindowTitle(QStringLiteral("Просмотр отчета"));
  setFont(miravel::ui::WindowFont());
  // The main window alone decides when the program ends.
  setAttribute(Qt::WA_QuitOnClose, false);
  move(245, 108);

  Label1 = new MnemonicLabel(QStringLiteral("Введите пароль"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->move(8, 9);
  Label1->adjustSize();  // the size of its text

  Password = new PasswordEdit(this);
  Password->setObjectName(QStringLiteral("Password"));
  Password->setGeometry(8, 27, 217, 21);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(70, 59, 75, 25);
  OKBtn->setDefault(true);

  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(150, 59, 75, 25);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  setTabOrder(Password, OKBtn);
  setTabOrder(OKBtn, CancelBtn);
}

void TPasswordDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!placed_) {
    placed_ = true;
    if (QScreen* s = screen()) {
      const QRect area = s->geometry();
      const QRect frame = frameGeometry();
      move(area.x() + (area.width() - frame.width()) / 2,
           area.y() + (area.height() - frame.height()) / 2);
    }
  }
  Password->setFocus(Qt::ActiveWindowFocusReason);
}

#include "ui/Unit2.h"

#include <QCloseEvent>
#include <QScreen>
#include <QShowEvent>

#include "ui/controls/guard.h"
#include "ui/fonts.h"

using miravel::ui::MnemonicLabel;
using miravel::ui::PasswordEdit;
using miravel::ui::PushButton;

TPasswordDlg::TPasswordDlg()
    : Form(QStringLiteral("PasswordDlg"), QSize(233, 93), /*dialog=*/true) {
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

  OKBtn = new PushButton(this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setGeometry(70, 59, 75, 25);
  OKBtn->setText(QStringLiteral("OK"));
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(kResultOk);

  CancelBtn = new PushButton(this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setGeometry(150, 59, 75, 25);
  CancelBtn->setText(QStringLiteral("Cancel"));
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(kResultCancel);

  // A click stores the button's result in the window before its handler runs.
  for (PushButton* b : {OKBtn, CancelBtn})
    b->BeforeClick = [this](PushButton& clicked) { SetModalResult(clicked.ModalResult()); };

  setTabOrder(Password, OKBtn);
  setTabOrder(OKBtn, CancelBtn);
}

void TPasswordDlg::showEvent(QShowEvent* event) {
  Form::showEvent(event);
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

void TPasswordDlg::closeEvent(QCloseEvent* event) {
  event->accept();  // closing only hides the window
  miravel::ui::Guarded([this] {
    if (OnClose) OnClose();
  });
}

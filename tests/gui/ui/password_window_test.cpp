// SPDX-License-Identifier: GPL-3.0-or-later
// The report password window: its controls, the first showing centred with
// the focus in the password box, the masked box, Enter (OK) and Esc, Cancel
// and the close box (a rejection), and closing that only hides it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ui/fonts.h"
#include "ui/report_password_dialog.h"
#include "ui_test_support.h"

namespace ui = miravel::ui;

namespace {

class PasswordWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg = std::make_unique<ui::ReportPasswordDialog>();
    QObject::connect(dlg->okButton, &QPushButton::clicked, [this] { clicks.push_back("OK"); });
    QObject::connect(dlg->cancelButton, &QPushButton::clicked, [this] { clicks.push_back("Cancel"); });
    QObject::connect(dlg.get(), &QDialog::rejected, [this] { ++rejections; });
  }

  void ShowAndWait() {
    dlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    QApplication::setActiveWindow(dlg.get());
    QApplication::processEvents();
  }

  std::unique_ptr<ui::ReportPasswordDialog> dlg;
  std::vector<std::string> clicks;  // the buttons clicked
  int rejections = 0;
};

TEST_F(PasswordWindow, IsBuiltHiddenAsDesigned) {
  EXPECT_EQ(dlg->objectName(), "PasswordDlg");
  EXPECT_STREQ(dlg->metaObject()->className(), "miravel::ui::ReportPasswordDialog");
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Просмотр отчета"));
  EXPECT_EQ(dlg->size(), QSize(233, 93));
  EXPECT_EQ(dlg->minimumSize(), dlg->maximumSize());
  EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(dlg->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(dlg->windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_TRUE(dlg->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(dlg->isModal());
  EXPECT_EQ(miravel::ui::LineHeight(dlg->font()), 13);
  // Every control where the form puts it; the prompt takes the size of its
  // text from its corner.
  const std::vector<ui::testing_support::FormControl> designed =
      ui::testing_support::ReadForm("report_password_dialog.ui");
  ASSERT_EQ(designed.size(), 6u) << "the window and its five controls";
  EXPECT_EQ(designed.front().name, dlg->objectName());
  EXPECT_EQ(designed.front().rect.size(), dlg->size());
  for (std::size_t k = 1; k < designed.size(); ++k) {
    const ui::testing_support::FormControl& d = designed[k];
    QWidget* w = dlg->findChild<QWidget*>(d.name);
    ASSERT_NE(w, nullptr) << d.name.toStdString();
    EXPECT_EQ(w->parentWidget(), dlg.get()) << d.name.toStdString();
    if (w == dlg->promptLabel) EXPECT_EQ(w->pos(), d.rect.topLeft());
    else EXPECT_EQ(w->geometry(), d.rect) << d.name.toStdString();
  }
  struct Row {
    QWidget* control;
    const char* name;
    const char* text;
  };
  const std::vector<Row> table = {
      {dlg->passwordEdit, "Password", ""},
      {dlg->okButton, "OKBtn", "OK"},
      {dlg->cancelButton, "CancelBtn", "Cancel"},
  };
  for (const Row& r : table) {
    EXPECT_EQ(r.control->objectName(), QString::fromLatin1(r.name));
    EXPECT_EQ(r.control->property("text").toString(), QString::fromUtf8(r.text)) << r.name;
  }
  EXPECT_FALSE(dlg->waitLabel->isVisibleTo(dlg.get()));
  EXPECT_EQ(dlg->promptLabel->buddy(), dlg->passwordEdit);
  EXPECT_EQ(dlg->promptLabel->objectName(), "Label1");
  EXPECT_EQ(dlg->promptLabel->pos(), QPoint(8, 9));
  EXPECT_EQ(dlg->promptLabel->text(), QStringLiteral("Введите пароль"));
  EXPECT_EQ(dlg->promptLabel->height(), 13);
  EXPECT_TRUE(dlg->okButton->isDefault());
  EXPECT_FALSE(dlg->cancelButton->isDefault());
  EXPECT_EQ(dlg->passwordEdit->echoMode(), QLineEdit::Password);
}

TEST_F(PasswordWindow, FirstShowingIsCentredWithTheFocusInThePasswordBox) {
  ShowAndWait();
  const QRect screen = dlg->screen()->geometry();
  const QRect frame = dlg->frameGeometry();
  EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 1);
  EXPECT_EQ(QApplication::focusWidget(), dlg->passwordEdit);
  // Moved away and shown again: it stays where it was put.
  dlg->hide();
  dlg->move(10, 20);
  ShowAndWait();
  EXPECT_EQ(dlg->pos(), QPoint(10, 20));
  EXPECT_EQ(QApplication::focusWidget(), dlg->passwordEdit);
}

TEST_F(PasswordWindow, TabOrderRunsFromTheBoxToOkToCancel) {
  ShowAndWait();
  std::vector<QWidget*> chain;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    chain.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(chain, (std::vector<QWidget*>{dlg->okButton, dlg->cancelButton, dlg->passwordEdit}));
}

TEST_F(PasswordWindow, EnterIsOkAndCancelAndEscRejectTheWindow) {
  ShowAndWait();
  QTest::keyClicks(dlg->passwordEdit, QStringLiteral("4071"));
  QTest::keyClick(dlg->passwordEdit, Qt::Key_Return);
  EXPECT_EQ(clicks, (std::vector<std::string>{"OK"}));
  EXPECT_TRUE(dlg->isVisible()) << "a click alone does not close it";
  EXPECT_EQ(rejections, 0);
  // The focused button takes Enter itself.
  dlg->cancelButton->setFocus();
  QTest::keyClick(dlg->cancelButton, Qt::Key_Return);
  EXPECT_EQ(clicks, (std::vector<std::string>{"OK", "Cancel"}));
  EXPECT_EQ(rejections, 1);
  EXPECT_EQ(dlg->result(), QDialog::Rejected);
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(dlg->passwordEdit->text(), QStringLiteral("4071")) << "the typed text stays";
  // Esc rejects it wherever the focus is, without a click.
  ShowAndWait();
  QTest::keyClick(dlg->okButton, Qt::Key_Escape);
  EXPECT_EQ(clicks.size(), 2U);
  EXPECT_EQ(rejections, 2);
  EXPECT_FALSE(dlg->isVisible());
  // Enter with a modifier is not OK.
  ShowAndWait();
  QTest::keyClick(dlg->passwordEdit, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks.size(), 2U);
}

TEST_F(PasswordWindow, TypingShowsOnlyAsterisks) {
  ShowAndWait();
  QTest::keyClicks(dlg->passwordEdit, QStringLiteral("407 152"));
  EXPECT_EQ(dlg->passwordEdit->text(), QStringLiteral("407 152"));
  EXPECT_EQ(dlg->passwordEdit->displayText(), QStringLiteral("*******"));
}

TEST_F(PasswordWindow, WhileOkWaitsANoteSaysWhyAndTheFocusStaysInTheBox) {
  using std::chrono::milliseconds;
  using Wait = ui::ReportPasswordDialog::Wait;
  ShowAndWait();
  EXPECT_FALSE(dlg->waitLabel->isVisible());
  EXPECT_EQ(dlg->waitLabel->geometry(), QRect(6, 59, 62, 25)) << "left of OK, clear of the other controls";
  dlg->okButton->setFocus();
  dlg->showWait(Wait::kChecking);
  EXPECT_FALSE(dlg->okButton->isEnabled());
  EXPECT_EQ(QApplication::focusWidget(), dlg->passwordEdit) << "not handed on to Cancel";
  EXPECT_EQ(dlg->waitLabel->text(), QStringLiteral("Проверка…"));
  EXPECT_TRUE(dlg->waitLabel->isVisible());
  EXPECT_FALSE(dlg->waitTimer->isActive());
  EXPECT_LE(dlg->waitLabel->fontMetrics().horizontalAdvance(dlg->waitLabel->text()), dlg->waitLabel->width());
  QTest::keyClick(dlg->passwordEdit, Qt::Key_Return);
  EXPECT_TRUE(clicks.empty()) << "Enter presses no disabled OK";

  // The seconds are rounded up, and the timer is due when they change.
  const struct {
    milliseconds left;
    const char* note;
    milliseconds due;
  } table[] = {{milliseconds(30000), "Ждите 30 с", milliseconds(1000)},
               {milliseconds(2500), "Ждите 3 с", milliseconds(500)},
               {milliseconds(1), "Ждите 1 с", milliseconds(1)}};
  for (const auto& row : table) {
    dlg->showWait(Wait::kAfterWrong, row.left);
    EXPECT_EQ(dlg->waitLabel->text(), QString::fromUtf8(row.note));
    EXPECT_TRUE(dlg->waitTimer->isActive());
    EXPECT_EQ(dlg->waitTimer->intervalAsDuration(), row.due) << row.note;
    EXPECT_LE(dlg->waitLabel->fontMetrics().horizontalAdvance(dlg->waitLabel->text()), dlg->waitLabel->width())
        << "on one line: " << row.note;
  }
  dlg->showWait(Wait::kNone);
  EXPECT_TRUE(dlg->okButton->isEnabled());
  EXPECT_FALSE(dlg->waitLabel->isVisible());
  EXPECT_FALSE(dlg->waitTimer->isActive());
  EXPECT_TRUE(dlg->okButton->toolTip().isEmpty());
}

TEST_F(PasswordWindow, TheCloseBoxOnlyHidesIt) {
  ShowAndWait();
  dlg->passwordEdit->setText(QStringLiteral("1"));
  EXPECT_TRUE(dlg->close());
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(dlg->passwordEdit->text(), QStringLiteral("1"));
  EXPECT_FALSE(dlg->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_FALSE(dlg->testAttribute(Qt::WA_QuitOnClose)) << "closing it does not end the program";
  EXPECT_TRUE(clicks.empty()) << "the close box clicks no button";
  EXPECT_EQ(rejections, 1) << "it rejects the window";
  EXPECT_TRUE(dlg->close()) << "closing a hidden window";
  EXPECT_EQ(rejections, 1) << "rejects nothing";
}

}  // namespace

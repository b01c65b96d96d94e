// SPDX-License-Identifier: GPL-3.0-or-later
// A whole run by the keyboard alone on the real windows, from typing the
// name and the group to the report: every step is a key sent to the control
// that has the focus, and a screen reader sees the focus and the choices
// where they are. Then the status line under a pointer that rests while the
// student types.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QTest>
#include <string>
#include <vector>

#include "run_test_support.h"

namespace miravel::run {
namespace {

using namespace testing_support;
using Names = std::vector<std::string>;

class KeyboardRun : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    path = File("egypt.DLL");
    TestFileBuilder()
        .Header("Древний Египет", "Три вопроса", "Один вариант в каждом")
        .Plain("Option", "QwCount", "3")
        .Plain("Option", "Time", "5")
        .Questions(3)  // the right options: 1, 2, 3
        .Save(path);
  }

  static QWidget* Focused() { return QApplication::focusWidget(); }

  // The focused control as these tests name it.
  std::string Name(const QWidget* w) const {
    if (w == nullptr) return "none";
    if (const auto* option = qobject_cast<const QRadioButton*>(w))
      return "option " + std::to_string(form->optionGroup->options()->id(const_cast<QRadioButton*>(option)));
    return w->objectName().toStdString();
  }

  // A key pressed and released on the focused control.
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focused = Focused();
    ASSERT_NE(focused, nullptr) << "no control has the focus";
    QTest::keyClick(focused, key, modifiers);
    QApplication::processEvents();
  }
  void TypeText(const QString& text) {
    ASSERT_NE(Focused(), nullptr);
    ui::testing_support::Type(Focused(), text);
  }

  // Presses Tab `count` times; the controls that took the focus.
  Names Tabs(int count) {
    Names passed;
    for (int i = 0; i < count; ++i) {
      Press(Qt::Key_Tab);
      passed.push_back(Name(Focused()));
    }
    return passed;
  }

  // What a screen reader is told of option `k`.
  QAccessible::State OptionState(int k) const {
    return QAccessible::queryAccessibleInterface(form->optionGroup->option(k))->state();
  }

  std::string path;
};

TEST_F(KeyboardRun, FromTheNameToTheReport) {
  // Registration: the window opens in Edit1; Tab leads to Edit2, and Enter
  // there opens the test through «Открыть», the default button.
  ASSERT_EQ(Name(Focused()), "Edit1");
  TypeText(QStringLiteral("Иванов Иван"));
  EXPECT_EQ(Tabs(1), (Names{"Edit2"}));
  TypeText(QStringLiteral("гр-11"));
  EXPECT_TRUE(form->openButton->isEnabled());
  dialog_answer = path;
  Press(Qt::Key_Return);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(form->testNameLabel->text(), QStringLiteral("Древний Египет"));
  // Enter in an edit box would open the dialog again (Button1 comes first):
  // the student tabs to «Начать».
  EXPECT_EQ(Tabs(2), (Names{"Button1", "Button2"}));
  Press(Qt::Key_Return);
  ASSERT_FALSE(form->registrationGroup->isVisible()) << "started";
  EXPECT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 1"));
  EXPECT_EQ(Name(Focused()), "TrackBar1") << "the focus passes on from the hidden «Начать»";

  // Question 1: Tab reaches the first option, which takes the focus without
  // being chosen; Space chooses it, Enter answers.
  EXPECT_EQ(Tabs(1), (Names{"option 0"}));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1);
  EXPECT_TRUE(OptionState(0).focused);
  EXPECT_FALSE(OptionState(0).checked);
  EXPECT_FALSE(form->answerButton->isDefault());
  Press(Qt::Key_Space);
  EXPECT_TRUE(OptionState(0).checked);
  EXPECT_TRUE(form->answerButton->isDefault()) << "Enter now answers";
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(form->answerButton)->state().defaultButton);
  Press(Qt::Key_Return);
  ASSERT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 2"));

  // Question 2: the focus stays with the window, so that Enter keeps
  // following the default button; Tab goes round to the first option. The
  // arrows choose as they move.
  EXPECT_EQ(Name(Focused()), "Form1");
  EXPECT_EQ(Tabs(4), (Names{"Button3", "Button4", "TrackBar1", "option 0"}));
  EXPECT_FALSE(OptionState(0).checked);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  EXPECT_EQ(Name(Focused()), "option 2");
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 2);
  EXPECT_TRUE(OptionState(2).focused && OptionState(2).checked);
  Press(Qt::Key_Return);
  ASSERT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 3"));

  // Question 3: Shift+Tab from the window comes to the first option at
  // once; an arrow chooses option 1, and «Назад» records it and goes back.
  Press(Qt::Key_Backtab);
  EXPECT_EQ(Name(Focused()), "option 0");
  Press(Qt::Key_Right);
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 1);
  EXPECT_EQ(Tabs(3), (Names{"Button3", "Button4", "TrackBar1"}));
  Press(Qt::Key_Backtab);
  ASSERT_EQ(Name(Focused()), "Button4");
  Press(Qt::Key_Return);
  ASSERT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 2"));
  // Question 2 again, its answer shown: the tab stop is the recorded option.
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 2);
  EXPECT_EQ(Name(Focused()), "Button4") << "the back button keeps the focus";
  EXPECT_EQ(Tabs(2), (Names{"TrackBar1", "option 2"}));
  Press(Qt::Key_Return);  // the same answer again
  ASSERT_EQ(form->questionLabel->text(), QStringLiteral("Вопрос 3"));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 1) << "recorded before «Назад»";
  Press(Qt::Key_Backtab);
  EXPECT_EQ(Name(Focused()), "option 1");
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);  // past the last: stays
  EXPECT_EQ(Name(Focused()), "option 3");
  EXPECT_EQ(form->optionGroup->options()->checkedId(), 3);
  Press(Qt::Key_Return);

  // The end: «Отчет» by the keyboard, then the password window.
  ASSERT_EQ(form->answerButton->text(), QStringLiteral("Отчет"));
  EXPECT_FALSE(form->optionGroup->isVisible());
  ASSERT_EQ(Name(Focused()), "Button3") << "the focus passes on from the hidden options";
  Press(Qt::Key_Return);
  ASSERT_TRUE(dlg->isVisible());
  QApplication::processEvents();
  ASSERT_EQ(Focused(), dlg->passwordEdit);
  TypeText(QStringLiteral("407152"));
  Press(Qt::Key_Return);
  WaitForPasswordCheck();

  // The report: question 1 wrong, 2 and 3 right.
  EXPECT_FALSE(dlg->isVisible());
  ASSERT_TRUE(form->reportBox->isVisible());
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 2"));
  EXPECT_EQ(form->wrongTotalLabel->text(), QStringLiteral("Неправильных ответов: 1"));
  QStringList lines;
  for (int i = 0; i < form->reportBox->lineCount(); ++i) lines << form->reportBox->lineText(i);
  const QString stars(87, QChar('*'));
  EXPECT_EQ(lines, (QStringList{QStringLiteral("ВОПРОС № 1 ---ОШИБКА---"), QStringLiteral("Вопрос 1"),
                                QStringLiteral("Вы ответили: 1-0"), QStringLiteral("Правильный вариант 1-1"), QString(),
                                stars, QStringLiteral("ВОПРОС № 2 ---ВЕРНО--- "), QString(), stars,
                                QStringLiteral("ВОПРОС № 3 ---ВЕРНО--- "), QString(), stars}));
  EXPECT_TRUE(boxes.boxes.empty());
}

// The pointer rests over the buttons while the student works with the
// keyboard: at the next idle moment the status line shows the hint of the
// control that the run enabled, shown or hid under it.
TEST_F(KeyboardRun, TheStatusLineFollowsTheButtonsUnderARestingPointer) {
  const auto rest_on = [this](const QWidget* control) {
    QCursor::setPos(control->mapToGlobal(control->rect().center()));
    QApplication::processEvents();
  };
  const auto shown = [this] {
    QApplication::processEvents();
    return form->statusBar->currentMessage();
  };
  rest_on(form->openButton);
  EXPECT_EQ(shown(), QString()) << "disabled: the group's hint, which is empty";
  TypeText(QStringLiteral("Иванов Иван"));
  EXPECT_EQ(shown(), QString());
  Press(Qt::Key_Tab);
  TypeText(QStringLiteral("гр-11"));
  EXPECT_EQ(shown(), QStringLiteral("Открывает файл теста"));
  for (int i = 0; i < 5; ++i) Press(Qt::Key_Backspace);
  ASSERT_TRUE(form->groupEdit->text().isEmpty());
  EXPECT_EQ(shown(), QString()) << "disabled again";
  TypeText(QStringLiteral("гр-11"));

  rest_on(form->startButton);
  EXPECT_EQ(shown(), QString());
  dialog_answer = path;
  Press(Qt::Key_Return);  // «Открыть»
  EXPECT_EQ(shown(), QStringLiteral("Начать выполнение теста"));
  EXPECT_EQ(Tabs(2), (Names{"Button1", "Button2"}));
  Press(Qt::Key_Return);  // «Начать»: hidden under the pointer, over the button strip
  ASSERT_FALSE(form->startButton->isVisible());
  EXPECT_EQ(shown(), QString());
}

}  // namespace
}  // namespace miravel::run

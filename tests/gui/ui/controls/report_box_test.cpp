// SPDX-License-Identifier: GPL-3.0-or-later
// The report box: lines and colours read back, plain text only, empty lines,
// clearing, read-only to the user, Tab focus, no context menu, and the scroll
// bars at the size the main window gives it.
#include "ui/controls/report_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>
#include <stdexcept>

namespace miravel::ui {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

// The three lines of a right question and the first lines of a wrong one, as
// the report writes them.
void AppendReportStart(ReportBox& memo) {
  memo.appendLine(QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "), kBlue);
  memo.appendLine(QString(), kBlue);
  memo.appendLine(QString(87, QChar('*')), kBlue);
  memo.appendLine(QStringLiteral("ВОПРОС № 2 ---ОШИБКА---"), kRed);
  memo.appendLine(QString(), kRed);
}

TEST(ReportBoxTest, StartsEmpty) {
  ReportBox memo;
  EXPECT_EQ(memo.lineCount(), 0);
  EXPECT_TRUE(memo.document()->isEmpty());
  EXPECT_THROW(memo.lineText(0), std::out_of_range);
}

TEST(ReportBoxTest, LinesAndColoursReadBackInOrder) {
  ReportBox memo;
  AppendReportStart(memo);
  ASSERT_EQ(memo.lineCount(), 5);
  const QStringList texts{QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "), QString(), QString(87, QChar('*')),
                          QStringLiteral("ВОПРОС № 2 ---ОШИБКА---"), QString()};
  const QList<QColor> colours{kBlue, kBlue, kBlue, kRed, kRed};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(memo.lineText(i), texts[i]) << "line " << i;
    EXPECT_EQ(memo.lineColor(i), colours[i]) << "line " << i;
  }
  // What the box shows: one line of text for each appended line.
  EXPECT_EQ(memo.toPlainText(), texts.join(QChar('\n')));
  EXPECT_THROW(memo.lineText(5), std::out_of_range);
  EXPECT_THROW(memo.lineColor(-1), std::out_of_range);
}

TEST(ReportBoxTest, EveryCharacterOfALineIsInItsColour) {
  ReportBox memo;
  memo.appendLine(QStringLiteral("Вы ответили: Москва"), kRed);
  memo.appendLine(QStringLiteral("Правильный вариант Москва"), kBlue);
  for (int i = 0; i < 2; ++i) {
    const QTextBlock block = memo.document()->findBlockByNumber(i);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      EXPECT_EQ(it.fragment().charFormat().foreground().color(), i == 0 ? kRed : kBlue)
          << "line " << i << " fragment " << it.fragment().text().toStdString();
    }
  }
}

TEST(ReportBoxTest, TextIsShownAsTypedNeverAsMarkup) {
  const QString cases[] = {
      QStringLiteral("<b>жирный</b>"),
      QStringLiteral("a &amp; b < c > d"),
      QStringLiteral("<p>два</p><p>абзаца</p>"),
      QStringLiteral("  пробелы  по  краям  "),
  };
  for (const QString& text : cases) {
    ReportBox memo;
    memo.appendLine(text, kRed);
    EXPECT_EQ(memo.lineCount(), 1) << text.toStdString();
    EXPECT_EQ(memo.lineText(0), text) << text.toStdString();
    EXPECT_EQ(memo.toPlainText(), text) << text.toStdString();
  }
}

TEST(ReportBoxTest, ALineBreakInATextKeepsItOneLine) {
  ReportBox memo;
  memo.appendLine(QStringLiteral("первая\nвторая\r\nтретья"), kRed);
  memo.appendLine(QStringLiteral("после"), kBlue);
  ASSERT_EQ(memo.lineCount(), 2);
  EXPECT_EQ(memo.lineText(1), QStringLiteral("после"));
  EXPECT_EQ(memo.lineColor(1), kBlue);
}

TEST(ReportBoxTest, EmptyLinesCountAndKeepTheirColour) {
  ReportBox memo;
  memo.appendLine(QString(), kRed);
  EXPECT_EQ(memo.lineCount(), 1);
  memo.appendLine(QString(), kBlue);
  memo.appendLine(QStringLiteral("x"), kRed);
  ASSERT_EQ(memo.lineCount(), 3);
  EXPECT_EQ(memo.lineText(0), QString());
  EXPECT_EQ(memo.lineColor(0), kRed);
  EXPECT_EQ(memo.lineText(1), QString());
  EXPECT_EQ(memo.lineColor(1), kBlue);
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("\n\nx"));
}

TEST(ReportBoxTest, ClearEmptiesAndTheNextLineIsTheFirst) {
  ReportBox memo;
  AppendReportStart(memo);
  memo.clear();
  EXPECT_EQ(memo.lineCount(), 0);
  EXPECT_TRUE(memo.toPlainText().isEmpty());
  memo.appendLine(QStringLiteral("снова"), kBlue);
  ASSERT_EQ(memo.lineCount(), 1);
  EXPECT_EQ(memo.lineText(0), QStringLiteral("снова"));
  EXPECT_EQ(memo.lineColor(0), kBlue);
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("снова"));
}

TEST(ReportBoxTest, AFullBoxRefusesTheNextLineWithTheInsertionError) {
  ReportBox memo;
  EXPECT_GE(memo.capacity(), 60000) << "the report of 10,000 questions fits";
  memo.setCapacity(3);
  for (int i = 0; i < 3; ++i) memo.appendLine(QString::number(i), kRed);
  try {
    memo.appendLine(QStringLiteral("x"), kRed);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "RichEdit line insertion error");
  }
  EXPECT_EQ(memo.lineCount(), 3);
  EXPECT_EQ(memo.lineText(2), QStringLiteral("2"));
  memo.clear();
  memo.appendLine(QStringLiteral("x"), kRed);
  EXPECT_EQ(memo.lineCount(), 1);
}

// A window with an edit box before and after the report box, for typing and
// Tab.
class ReportBoxWindowTest : public ::testing::Test {
 protected:
  ReportBoxWindowTest() {
    auto* layout = new QVBoxLayout(&window_);
    before_ = new QLineEdit(&window_);
    memo_ = new ReportBox(&window_);
    after_ = new QLineEdit(&window_);
    layout->addWidget(before_);
    layout->addWidget(memo_);
    layout->addWidget(after_);
    window_.show();
    window_.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
  }

  QWidget window_;
  QLineEdit* before_;
  ReportBox* memo_;
  QLineEdit* after_;
};

TEST_F(ReportBoxWindowTest, TypingAndPastingDoNotChangeTheText) {
  memo_->appendLine(QStringLiteral("отчет"), kBlue);
  memo_->setFocus();
  ASSERT_TRUE(memo_->hasFocus());
  QTest::keyClicks(memo_, "abc");
  QTest::keyClick(memo_, Qt::Key_Backspace);
  QTest::keyClick(memo_, Qt::Key_Delete);
  QTest::keyClick(memo_, Qt::Key_Return);
  QApplication::clipboard()->setText(QStringLiteral("вставка"));
  QTest::keyClick(memo_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(memo_->toPlainText(), QStringLiteral("отчет"));
  EXPECT_EQ(memo_->lineCount(), 1);
  // The program still appends.
  memo_->appendLine(QStringLiteral("дальше"), kRed);
  EXPECT_EQ(memo_->lineCount(), 2);
}

TEST_F(ReportBoxWindowTest, TabEntersAndLeavesIt) {
  memo_->appendLine(QStringLiteral("отчет"), kBlue);
  before_->setFocus();
  QTest::keyClick(before_, Qt::Key_Tab);
  EXPECT_TRUE(memo_->hasFocus());
  QTest::keyClick(memo_, Qt::Key_Tab);
  EXPECT_TRUE(after_->hasFocus());
  EXPECT_EQ(memo_->toPlainText(), QStringLiteral("отчет"));
  memo_->setFocus();
  QTest::keyClick(memo_, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_TRUE(before_->hasFocus());
}

TEST_F(ReportBoxWindowTest, OpensNoContextMenu) {
  memo_->appendLine(QStringLiteral("отчет"), kBlue);
  // Should a menu open, it runs its own event loop: close it from there.
  bool menu_opened = false;
  QTimer::singleShot(0, [&menu_opened] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      menu_opened = true;
      popup->close();
    }
  });
  const QPoint at(5, 5);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, memo_->viewport()->mapToGlobal(at));
  QApplication::sendEvent(memo_->viewport(), &event);
  QCoreApplication::processEvents();
  EXPECT_FALSE(menu_opened);
}

// The report box at the size the main window gives it.
class ReportBoxScrollTest : public ::testing::Test {
 protected:
  ReportBoxScrollTest() {
    memo_.resize(462, 208);
    memo_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&memo_));
  }

  void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }

  ReportBox memo_;
};

TEST_F(ReportBoxScrollTest, NoScrollBarsForAShortText) {
  AppendReportStart(memo_);
  Settle();
  EXPECT_FALSE(memo_.verticalScrollBar()->isVisible());
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
}

TEST_F(ReportBoxScrollTest, VerticalScrollBarForAHundredLines) {
  for (int i = 0; i < 100; ++i) memo_.appendLine(QString::number(i), i % 2 ? kRed : kBlue);
  Settle();
  EXPECT_TRUE(memo_.verticalScrollBar()->isVisible());
  EXPECT_GT(memo_.verticalScrollBar()->maximum(), 0);
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
  memo_.clear();
  Settle();
  EXPECT_FALSE(memo_.verticalScrollBar()->isVisible());
}

TEST_F(ReportBoxScrollTest, LongLinesWrapAtTheWidth) {
  // Words, and one long run of asterisks with no place to break.
  memo_.appendLine(QStringLiteral("слово ").repeated(40), kRed);
  memo_.appendLine(QString(200, QChar('*')), kRed);
  Settle();
  EXPECT_EQ(memo_.lineCount(), 2);
  for (int i = 0; i < 2; ++i) {
    const QTextLayout* layout = memo_.document()->findBlockByNumber(i).layout();
    ASSERT_NE(layout, nullptr);
    EXPECT_GT(layout->lineCount(), 1) << "line " << i;
  }
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
}

}  // namespace
}  // namespace miravel::ui

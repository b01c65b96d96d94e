// The report box: lines and colours read back, plain text only, empty lines,
// clearing, read-only to the user, Tab focus, no context menu, and the scroll
// bars at the size the main window gives it.
#include "ui/controls/memo.h"

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
void AppendReportStart(RichMemo& memo) {
  memo.AppendLine(QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "), kBlue);
  memo.AppendLine(QString(), kBlue);
  memo.AppendLine(QString(87, QChar('*')), kBlue);
  memo.AppendLine(QStringLiteral("ВОПРОС № 2 ---ОШИБКА---"), kRed);
  memo.AppendLine(QString(), kRed);
}

TEST(RichMemoTest, StartsEmpty) {
  RichMemo memo;
  EXPECT_EQ(memo.LineCount(), 0);
  EXPECT_TRUE(memo.document()->isEmpty());
  EXPECT_THROW(memo.LineText(0), std::out_of_range);
}

TEST(RichMemoTest, LinesAndColoursReadBackInOrder) {
  RichMemo memo;
  AppendReportStart(memo);
  ASSERT_EQ(memo.LineCount(), 5);
  const QStringList texts{QStringLiteral("ВОПРОС № 1 ---ВЕРНО--- "), QString(),
                          QString(87, QChar('*')), QStringLiteral("ВОПРОС № 2 ---ОШИБКА---"),
                          QString()};
  const QList<QColor> colours{kBlue, kBlue, kBlue, kRed, kRed};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(memo.LineText(i), texts[i]) << "line " << i;
    EXPECT_EQ(memo.LineColor(i), colours[i]) << "line " << i;
  }
  // What the box shows: one line of text for each appended line.
  EXPECT_EQ(memo.toPlainText(), texts.join(QChar('\n')));
  EXPECT_THROW(memo.LineText(5), std::out_of_range);
  EXPECT_THROW(memo.LineColor(-1), std::out_of_range);
}

TEST(RichMemoTest, EveryCharacterOfALineIsInItsColour) {
  RichMemo memo;
  memo.AppendLine(QStringLiteral("Вы ответили: Москва"), kRed);
  memo.AppendLine(QStringLiteral("Правильный вариант Москва"), kBlue);
  for (int i = 0; i < 2; ++i) {
    const QTextBlock block = memo.document()->findBlockByNumber(i);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      EXPECT_EQ(it.fragment().charFormat().foreground().color(), i == 0 ? kRed : kBlue)
          << "line " << i << " fragment " << it.fragment().text().toStdString();
    }
  }
}

TEST(RichMemoTest, TextIsShownAsTypedNeverAsMarkup) {
  const QString cases[] = {
      QStringLiteral("<b>жирный</b>"),
      QStringLiteral("a &amp; b < c > d"),
      QStringLiteral("<p>два</p><p>абзаца</p>"),
      QStringLiteral("  пробелы  по  краям  "),
  };
  for (const QString& text : cases) {
    RichMemo memo;
    memo.AppendLine(text, kRed);
    EXPECT_EQ(memo.LineCount(), 1) << text.toStdString();
    EXPECT_EQ(memo.LineText(0), text) << text.toStdString();
    EXPECT_EQ(memo.toPlainText(), text) << text.toStdString();
  }
}

TEST(RichMemoTest, ALineBreakInATextKeepsItOneLine) {
  RichMemo memo;
  memo.AppendLine(QStringLiteral("первая\nвторая\r\nтретья"), kRed);
  memo.AppendLine(QStringLiteral("после"), kBlue);
  ASSERT_EQ(memo.LineCount(), 2);
  EXPECT_EQ(memo.LineText(1), QStringLiteral("после"));
  EXPECT_EQ(memo.LineColor(1), kBlue);
}

TEST(RichMemoTest, EmptyLinesCountAndKeepTheirColour) {
  RichMemo memo;
  memo.AppendLine(QString(), kRed);
  EXPECT_EQ(memo.LineCount(), 1);
  memo.AppendLine(QString(), kBlue);
  memo.AppendLine(QStringLiteral("x"), kRed);
  ASSERT_EQ(memo.LineCount(), 3);
  EXPECT_EQ(memo.LineText(0), QString());
  EXPECT_EQ(memo.LineColor(0), kRed);
  EXPECT_EQ(memo.LineText(1), QString());
  EXPECT_EQ(memo.LineColor(1), kBlue);
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("\n\nx"));
}

TEST(RichMemoTest, ClearEmptiesAndTheNextLineIsTheFirst) {
  RichMemo memo;
  AppendReportStart(memo);
  memo.Clear();
  EXPECT_EQ(memo.LineCount(), 0);
  EXPECT_TRUE(memo.toPlainText().isEmpty());
  memo.AppendLine(QStringLiteral("снова"), kBlue);
  ASSERT_EQ(memo.LineCount(), 1);
  EXPECT_EQ(memo.LineText(0), QStringLiteral("снова"));
  EXPECT_EQ(memo.LineColor(0), kBlue);
  EXPECT_EQ(memo.toPlainText(), QStringLiteral("снова"));
}

TEST(RichMemoTest, AFullBoxRefusesTheNextLineWithTheInsertionError) {
  RichMemo memo;
  EXPECT_GE(memo.Capacity(), 60000) << "the report of 10,000 questions fits";
  memo.SetCapacity(3);
  for (int i = 0; i < 3; ++i) memo.AppendLine(QString::number(i), kRed);
  try {
    memo.AppendLine(QStringLiteral("x"), kRed);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "RichEdit line insertion error");
  }
  EXPECT_EQ(memo.LineCount(), 3);
  EXPECT_EQ(memo.LineText(2), QStringLiteral("2"));
  memo.Clear();
  memo.AppendLine(QStringLiteral("x"), kRed);
  EXPECT_EQ(memo.LineCount(), 1);
}

// A window with an edit box before and after the report box, for typing and
// Tab.
class RichMemoWindowTest : public ::testing::Test {
 protected:
  RichMemoWindowTest() {
    auto* layout = new QVBoxLayout(&window_);
    before_ = new QLineEdit(&window_);
    memo_ = new RichMemo(&window_);
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
  RichMemo* memo_;
  QLineEdit* after_;
};

TEST_F(RichMemoWindowTest, TypingAndPastingDoNotChangeTheText) {
  memo_->AppendLine(QStringLiteral("отчет"), kBlue);
  memo_->setFocus();
  ASSERT_TRUE(memo_->hasFocus());
  QTest::keyClicks(memo_, "abc");
  QTest::keyClick(memo_, Qt::Key_Backspace);
  QTest::keyClick(memo_, Qt::Key_Delete);
  QTest::keyClick(memo_, Qt::Key_Return);
  QApplication::clipboard()->setText(QStringLiteral("вставка"));
  QTest::keyClick(memo_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(memo_->toPlainText(), QStringLiteral("отчет"));
  EXPECT_EQ(memo_->LineCount(), 1);
  // The program still appends.
  memo_->AppendLine(QStringLiteral("дальше"), kRed);
  EXPECT_EQ(memo_->LineCount(), 2);
}

TEST_F(RichMemoWindowTest, TabEntersAndLeavesIt) {
  memo_->AppendLine(QStringLiteral("отчет"), kBlue);
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

TEST_F(RichMemoWindowTest, OpensNoContextMenu) {
  memo_->AppendLine(QStringLiteral("отчет"), kBlue);
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
class RichMemoScrollTest : public ::testing::Test {
 protected:
  RichMemoScrollTest() {
    memo_.resize(462, 208);
    memo_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&memo_));
  }

  void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
  }

  RichMemo memo_;
};

TEST_F(RichMemoScrollTest, NoScrollBarsForAShortText) {
  AppendReportStart(memo_);
  Settle();
  EXPECT_FALSE(memo_.verticalScrollBar()->isVisible());
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
}

TEST_F(RichMemoScrollTest, VerticalScrollBarForAHundredLines) {
  for (int i = 0; i < 100; ++i) memo_.AppendLine(QString::number(i), i % 2 ? kRed : kBlue);
  Settle();
  EXPECT_TRUE(memo_.verticalScrollBar()->isVisible());
  EXPECT_GT(memo_.verticalScrollBar()->maximum(), 0);
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
  memo_.Clear();
  Settle();
  EXPECT_FALSE(memo_.verticalScrollBar()->isVisible());
}

TEST_F(RichMemoScrollTest, LongLinesWrapAtTheWidth) {
  // Words, and one long run of asterisks with no place to break.
  memo_.AppendLine(QStringLiteral("слово ").repeated(40), kRed);
  memo_.AppendLine(QString(200, QChar('*')), kRed);
  Settle();
  EXPECT_EQ(memo_.LineCount(), 2);
  for (int i = 0; i < 2; ++i) {
    const QTextLayout* layout = memo_.document()->findBlockByNumber(i).layout();
    ASSERT_NE(layout, nullptr);
    EXPECT_GT(layout->lineCount(), 1) << "line " << i;
  }
  EXPECT_FALSE(memo_.horizontalScrollBar()->isVisible());
}

}  // namespace
}  // namespace miravel::ui

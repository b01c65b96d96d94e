// SPDX-License-Identifier: GPL-3.0-or-later
// The shown report saved as PDF, printed and added to the class results, on
// the real windows: the report box's context menu and Ctrl+S and Ctrl+P
// (only once the report is shown), the save and print dialogs answered
// through their seams, the PDF's text and colours, never replacing a file
// that was not confirmed, and results.csv written beside the window.
#include "run/report_output.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "lock_holder.h"
#include "results/results_log.h"
#include "run_test_support.h"
#include "ui/dialogs.h"

namespace miravel::run {
namespace {

using namespace testing_support;

// poppler-utils read the PDF files. Under Wine they are the host's own
// programs: Wine starts them by their Unix path, they take Unix paths, and
// the Windows process that stands for one ends at once, so the command tells
// its end by a file it renames into place last.
#ifdef _WIN32
using UnixFileName = char*(CDECL*)(LPCWSTR);
UnixFileName WineUnixFileName() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel ? reinterpret_cast<UnixFileName>(
                      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                : nullptr;
}
QString UnixPath(UnixFileName unix_name, const QString& path) {
  char* name = unix_name(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()));
  if (name == nullptr) return path;
  const QString unix_path = QString::fromUtf8(name);
  HeapFree(GetProcessHeap(), 0, name);
  return unix_path;
}
#endif

// Runs a poppler-utils program whose arguments at `paths` are file paths;
// true when it ran and exited with 0.
bool RunPoppler(const char* program, QStringList arguments, const QList<int>& paths) {
#ifdef _WIN32
  if (const UnixFileName unix_name = WineUnixFileName()) {
    const QString done = QDir::tempPath() + QStringLiteral("/poppler-%1.done").arg(QDateTime::currentMSecsSinceEpoch());
    for (const int k : paths) arguments[k] = UnixPath(unix_name, arguments[k]);
    arguments.prepend(QStringLiteral("/usr/bin/") + QLatin1String(program));
    arguments = QStringList{QStringLiteral("-c"),
                            QStringLiteral("d=$0; \"$@\"; echo $? > \"$d.part\" && mv \"$d.part\" \"$d\""),
                            UnixPath(unix_name, done)} +
                arguments;
    QProcess shell;
    shell.start(QStringLiteral("Z:/bin/sh"), arguments);
    shell.waitForFinished(30000);
    QElapsedTimer clock;
    clock.start();
    while (!QFileInfo::exists(done) && clock.elapsed() < 30000) QThread::msleep(50);
    QFile status(done);
    const bool ok = status.open(QIODevice::ReadOnly) && status.readAll().trimmed() == "0";
    status.close();
    status.remove();
    return ok;
  }
#else
  (void)paths;
#endif
  QProcess process;
  process.start(QLatin1String(program), arguments);
  return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Text and pictures of a PDF file. The text keeps the lines as laid out, so
// that a line ending in "-" is not taken for a hyphenated word.
QString PdfText(const QString& pdf) {
  const QString text_file = pdf + QStringLiteral(".txt");
  if (!RunPoppler("pdftotext",
                  {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, text_file}, {3, 4}))
    return QStringLiteral("<pdftotext failed>");
  QFile file(text_file);
  if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("<no text from pdftotext>");
  const QString text = QString::fromUtf8(file.readAll());
  file.close();
  file.remove();
  return text;
}

QImage PdfPage1(const QString& pdf, const QString& png_base) {
  if (!RunPoppler("pdftoppm",
                  {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("60"), QStringLiteral("-f"),
                   QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
                   png_base},
                  {8, 9}))
    return QImage();
  return QImage(png_base + QStringLiteral(".png"));
}

// Where on a page the lines of one colour are: the first and last pixel row
// holding it, and how many pixels have it.
struct ColourRows {
  int first = -1;
  int last = -1;
  int pixels = 0;
};
ColourRows RowsOf(const QImage& page, bool (*is)(QRgb)) {
  ColourRows rows;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (is(page.pixel(x, y))) {
        if (rows.first < 0) rows.first = y;
        rows.last = y;
        ++rows.pixels;
      }
  return rows;
}
bool Blue(QRgb c) { return qBlue(c) > 160 && qRed(c) < 110 && qGreen(c) < 110; }
bool Red(QRgb c) { return qRed(c) > 160 && qBlue(c) < 110 && qGreen(c) < 110; }

// A whole run to the report: two questions, the first answered right, the
// second wrong.
class ReportOutput : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    ui::PrintDialog::SetAnswer([this](QPrintDialog& d) {
      ++print_dialogs;
      const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&d);
      print_dialog_name = accessible ? accessible->text(QAccessible::Name) : QString();
      if (print_to.isEmpty()) return false;
      d.printer()->setOutputFormat(QPrinter::PdfFormat);
      d.printer()->setOutputFileName(print_to);
      return true;
    });
    test_file = File("история.DLL");
    TestFileBuilder()
        .Header("История; \"Египет\"", "Описание", "Комментарии")
        .Plain("Option", "QwCount", "2")
        .Plain("Option", "Time", "5")
        .Questions(2)
        .Save(test_file);
  }
  void TearDown() override {
    ui::PrintDialog::SetAnswer({});
    RunFixture::TearDown();
  }

  // The save dialog is answered with `save_as`, the open dialog as before.
  bool AnswerFileDialog(QFileDialog& d) override {
    if (d.objectName() != QStringLiteral("SaveDialog1")) return RunFixture::AnswerFileDialog(d);
    ++save_dialogs;
    const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&d);
    save_dialog_name = accessible ? accessible->text(QAccessible::Name) : QString();
    proposed = d.selectedFiles().value(0);
    confirms_replacing = !d.testOption(QFileDialog::DontConfirmOverwrite) && d.acceptMode() == QFileDialog::AcceptSave;
    if (save_as.isEmpty()) return false;
    d.selectFile(save_as);
    return true;
  }

  // Answers both questions (the first right) and stops before the report.
  void AnswerAll() {
    StartTest(test_file);
    Pick(1);
    Answer();
    Pick(0);
    Answer();
    Answer();  // "Отчет": the password window
  }
  void ShowReport() {
    AnswerAll();
    TypePassword(QStringLiteral("407152"));
    ASSERT_TRUE(form->reportBox->isVisible());
    ASSERT_EQ(form->reportBox->lineCount(), 3 + 6);
  }

  // Opens the report box's context menu as the menu key does (or, with
  // `mouse`, as a right click on its text does), and returns the accessible
  // names of its enabled items (empty when no menu opened).
  QStringList ContextMenuItems(bool mouse = false) {
    QStringList items;
    QTimer::singleShot(0, [&items] {
      if (QWidget* popup = QApplication::activePopupWidget()) {
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(popup);
        for (int k = 0; menu != nullptr && k < menu->childCount(); ++k) {
          QAccessibleInterface* item = menu->child(k);
          if (item->role() == QAccessible::MenuItem && !item->state().disabled) items << item->text(QAccessible::Name);
        }
        popup->close();
      }
    });
    const QPoint at(5, 5);
    QWidget* target = mouse ? form->reportBox->viewport() : form->reportBox;
    QContextMenuEvent event(mouse ? QContextMenuEvent::Mouse : QContextMenuEvent::Keyboard, at,
                            target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    QCoreApplication::processEvents();
    return items;
  }

  QString ExpectedName() const {
    const auto shown = run->run().reportSummary()->shown_at;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(std::chrono::system_clock::to_time_t(shown));
    return QStringLiteral("Иванов Иван - ГР-11 - ") + at.toString(QStringLiteral("yyyy-MM-dd")) +
           QStringLiteral(".pdf");
  }

  std::string test_file;
  QString save_as;  // empty: the save dialog is cancelled
  QString print_to;  // empty: the print dialog is cancelled
  int save_dialogs = 0;
  int print_dialogs = 0;
  QString proposed;
  bool confirms_replacing = false;
  QString save_dialog_name;
  QString print_dialog_name;
};

// --- the actions -----------------------------------------------------------------

TEST_F(ReportOutput, SaveAndPrintAreOfferedOnlyOnceTheReportIsShown) {
  const auto try_keys = [this] {
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), Qt::Key_S,
                    Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), Qt::Key_P,
                    Qt::ControlModifier);
  };
  try_keys();
  EXPECT_TRUE(ContextMenuItems().isEmpty());
  AnswerAll();
  form->activateWindow();
  QApplication::setActiveWindow(form.get());
  try_keys();
  EXPECT_TRUE(ContextMenuItems().isEmpty()) << "the end screen has no report yet";
  EXPECT_EQ(save_dialogs + print_dialogs, 0);

  TypePassword(QStringLiteral("407152"));
  QApplication::setActiveWindow(form.get());
  const QStringList items{QStringLiteral("Сохранить отчет…"), QStringLiteral("Печать…")};
  EXPECT_EQ(ContextMenuItems(), items);
  EXPECT_EQ(ContextMenuItems(true), items);
  QApplication::setActiveWindow(form.get());
  form->reportBox->setFocus();
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(save_dialogs, 1);
  EXPECT_EQ(save_dialog_name, QStringLiteral("Сохранить отчет"));
  EXPECT_EQ(QFileInfo(proposed).fileName(), ExpectedName());
  EXPECT_TRUE(confirms_replacing);
  QTest::keyClick(form->reportBox, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(print_dialogs, 1);
  EXPECT_EQ(print_dialog_name, QStringLiteral("Печать отчета"));
  EXPECT_TRUE(boxes.boxes.empty());
}

// --- saving ------------------------------------------------------------------------

TEST_F(ReportOutput, TheSavedPdfHoldsTheHeadingEveryLineAndTheTotalsInTheirColours) {
  ShowReport();
  save_as = Path("отчет.pdf");
  form->reportBox->setFocus();
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text.toStdString();
  ASSERT_TRUE(QFileInfo(save_as).isFile());

  const QString text = PdfText(save_as).simplified();
  for (const QString& expected : ReportHeading(run->run()))
    EXPECT_TRUE(text.contains(expected.simplified())) << expected.toStdString() << "\n" << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Ф.И.О.: Иванов Иван")));
  EXPECT_TRUE(text.contains(QStringLiteral("Тест: История; \"Египет\"")));
  EXPECT_TRUE(text.contains(QStringLiteral("Вопросов: 2")));
  EXPECT_TRUE(text.contains(QStringLiteral("Правильных ответов: 1")));
  EXPECT_TRUE(text.contains(QStringLiteral("Неправильных ответов: 1")));
  EXPECT_TRUE(text.contains(QStringLiteral("Время истекло: нет")));
  EXPECT_TRUE(text.contains(QStringLiteral("Журнал ответов изменен в обход программы: нет")));
  // Every line of the report box, in order.
  qsizetype from = 0;
  for (int k = 0; k < form->reportBox->lineCount(); ++k) {
    const QString line = form->reportBox->lineText(k).simplified();
    const qsizetype at = text.indexOf(line, from);
    EXPECT_GE(at, 0) << "line " << k << ": " << line.toStdString() << "\n" << text.toStdString();
    if (at >= 0) from = at + line.size();
  }

  // The right question's block in blue, then the wrong one's in red.
  const QImage page = PdfPage1(save_as, Path("page"));
  ASSERT_FALSE(page.isNull());
  const ColourRows blue = RowsOf(page, Blue);
  const ColourRows red = RowsOf(page, Red);
  EXPECT_GT(blue.pixels, 100);
  EXPECT_GT(red.pixels, 100);
  EXPECT_LT(blue.last, red.first);
}

TEST_F(ReportOutput, AFileIsReplacedOnlyWhenTheDialogConfirmedIt) {
  ShowReport();
  const std::unique_ptr<QTextDocument> document = ReportDocument(run->run(), *form->reportBox);
  const QString existing = Path("есть.pdf");
  const struct {
    const char* what;
    bool there_before;
    bool replace;
    bool saved;
  } cases[] = {
      {"a new file", false, false, true},
      {"a file that appeared after the choice", true, false, false},
      {"a file whose replacing was confirmed", true, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(existing);
    if (c.there_before) {
      QFile old(existing);
      ASSERT_TRUE(old.open(QIODevice::WriteOnly));
      old.write("old");
    }
    bool failed = false;
    try {
      SaveReportPdf(*document, existing, c.replace, QStringLiteral("Отчет"));
    } catch (const std::runtime_error& e) {
      failed = true;
      EXPECT_TRUE(QString::fromUtf8(e.what()).contains(existing)) << e.what();
    }
    EXPECT_EQ(failed, !c.saved);
    QFile saved(existing);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.read(5), c.saved ? QByteArray("%PDF-") : QByteArray("old"));
  }
  // Through the dialog: a file chosen while it was there was confirmed by the
  // dialog, and is replaced.
  save_as = existing;
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_TRUE(PdfText(existing).contains(QStringLiteral("ВОПРОС № 2 ---ОШИБКА---")));
}

TEST_F(ReportOutput, AFailedSaveShowsTheErrorBoxAndTheReportStays) {
  ShowReport();
  save_as = Path("нет такой папки/отчет.pdf");
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes.front().caption, QStringLiteral("Миравель"));
  EXPECT_TRUE(boxes.boxes.front().text.startsWith(QStringLiteral("Не удалось создать файл «")))
      << boxes.boxes.front().text.toStdString();
  EXPECT_FALSE(QFileInfo::exists(save_as));
  EXPECT_TRUE(form->reportBox->isVisible());
  EXPECT_EQ(form->reportBox->lineCount(), 9);
  // Cancelled: nothing is written and nothing shown.
  save_as.clear();
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(save_dialogs, 2);
  EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST(ReportFileNames, NamesAreSafeOnLinuxAndWindows) {
  const struct {
    QString name, safe;
  } cases[] = {
      {QStringLiteral("Иванов Иван - ГР-11 - 2026-12-10"), QStringLiteral("Иванов Иван - ГР-11 - 2026-12-10")},
      {QStringLiteral("a/b\\c:d*e?f\"g<h>i|j"), QStringLiteral("a_b_c_d_e_f_g_h_i_j")},
      {QStringLiteral("tab\tnew\nline\x7F"), QStringLiteral("tab_new_line_")},
      {QStringLiteral("dots and blanks. . "), QStringLiteral("dots and blanks")},
      {QStringLiteral("con"), QStringLiteral("_con")},
      {QStringLiteral("LPT1.x"), QStringLiteral("_LPT1.x")},
      {QStringLiteral("Con - X"), QStringLiteral("Con - X")},
      {QStringLiteral("..."), QStringLiteral("_")},
      {QString(), QStringLiteral("_")},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.name), c.safe) << c.name.toStdString();
}

// --- printing -----------------------------------------------------------------------

TEST_F(ReportOutput, PrintingGoesToThePrinterTheDialogChose) {
  ShowReport();
  QTest::keyClick(form->reportBox, Qt::Key_P, Qt::ControlModifier);  // cancelled
  EXPECT_EQ(print_dialogs, 1);
  print_to = Path("printed.pdf");
  EXPECT_FALSE(QFileInfo::exists(print_to));
  QTest::keyClick(form->reportBox, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(print_dialogs, 2);
  const QString text = PdfText(print_to).simplified();
  EXPECT_TRUE(text.contains(QStringLiteral("Группа: ГР-11"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("ВОПРОС № 1 ---ВЕРНО---")));
  EXPECT_TRUE(text.contains(QStringLiteral("Правильный вариант 2-2")));
  EXPECT_TRUE(boxes.boxes.empty());
}

// --- the class results ----------------------------------------------------------------

TEST_F(ReportOutput, EachShownReportAddsItsRowToTheResults) {
  const stdfs::path folder = dir / "results";
  stdfs::create_directory(folder);
  run->setResultsFolder(folder);
  ShowReport();
  const stdfs::path log = folder / "results.csv";
  QTRY_VERIFY_WITH_TIMEOUT(ReadAll(log.string()).size() > results::HeaderLine().size() + 3, 10000);
  const results::ResultRow row = results::RowOfRun(run->run());
  EXPECT_EQ(ReadAll(log.string()),
            std::string(results::kByteOrderMark) + results::HeaderLine() + results::RowLine(row));
  EXPECT_EQ(row.student, "Иванов Иван");
  EXPECT_EQ(row.test_title, "История; \"Египет\"");
  EXPECT_EQ(row.test_file, "история.DLL");
  EXPECT_EQ(row.questions, 2);
  EXPECT_EQ(row.right, 1);
  EXPECT_EQ(row.wrong, 1);
  EXPECT_FALSE(row.time_ran_out);
  EXPECT_FALSE(row.journal_changed);
  EXPECT_TRUE(boxes.boxes.empty());
}

// The student's account changes the journal during the test: the report is
// graded as before, and the teacher sees the change beside the totals, in the
// saved PDF and in the results row.
TEST_F(ReportOutput, AJournalChangedBehindTheRunsBackIsMarkedOnScreenInThePdfAndInTheResults) {
  const stdfs::path folder = dir / "results";
  stdfs::create_directory(folder);
  run->setResultsFolder(folder);
  StartTest(test_file);
  Pick(1);
  Answer();
  // Question 2 made "right" in the file, the right option filled in.
  const std::string journal = run->run().journal().Path();
  std::ofstream(journal, std::ios::binary | std::ios::app)
      << W("[Вопрос№2]\r\nВариантДан=2-0\r\nВариантЭталон=2-0\r\n");
  Pick(0);
  Answer();
  Answer();
  TypePassword(QStringLiteral("407152"));
  ASSERT_TRUE(form->reportBox->isVisible());
  EXPECT_EQ(form->reportBox->lineCount(), 3 + 6) << "the report's lines as ever";
  EXPECT_EQ(form->rightTotalLabel->text(), QStringLiteral("Правильных ответов: 1"));

  // On the screen: a red mark of its own beside the totals, inside their
  // group and clear of them.
  ui::MainWindow& w = *form;
  ASSERT_TRUE(w.journalChangedLabel->isVisible());
  EXPECT_EQ(w.journalChangedLabel->text(), QStringLiteral("Внимание: журнал ответов\nизменен в обход программы"));
  EXPECT_EQ(w.journalChangedLabel->accessibleName(),
            QStringLiteral("Внимание: журнал ответов изменен в обход программы"));
  EXPECT_EQ(w.journalChangedLabel->palette().color(QPalette::WindowText), QColor(Qt::red));
  const QRect mark = w.journalChangedLabel->geometry();
  EXPECT_TRUE(QRect(QPoint(0, 0), w.questionGroup->size()).contains(mark)) << mark.x() << "," << mark.y();
  for (const QWidget* total : {static_cast<QWidget*>(w.rightTotalLabel), static_cast<QWidget*>(w.wrongTotalLabel)})
    EXPECT_FALSE(mark.intersects(total->geometry()));
  EXPECT_EQ(w.journalChangedLabel->shownLines().size(), 2);

  // In the PDF's heading.
  save_as = Path("отчет.pdf");
  form->reportBox->setFocus();
  QTest::keyClick(form->reportBox, Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text.toStdString();
  const QString text = PdfText(save_as).simplified();
  EXPECT_TRUE(text.contains(QStringLiteral("Журнал ответов изменен в обход программы: да"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Правильных ответов: 1")));

  // In the results row, its last column.
  const stdfs::path log = folder / "results.csv";
  QTRY_VERIFY_WITH_TIMEOUT(ReadAll(log.string()).size() > results::HeaderLine().size() + 3, 10000);
  const results::ResultRow row = results::RowOfRun(run->run());
  EXPECT_TRUE(row.journal_changed);
  EXPECT_EQ(row.right, 1);
  const std::string line = results::RowLine(row);
  EXPECT_TRUE(line.ends_with(";да\r\n")) << line;
  EXPECT_EQ(ReadAll(log.string()), std::string(results::kByteOrderMark) + results::HeaderLine() + line);
}

TEST_F(ReportOutput, AFailedAppendShowsTheErrorBoxAndTheReportStays) {
  run->setResultsFolder(dir / stdfs::path(u8"нет такой папки"));
  ShowReport();
  QTRY_COMPARE_WITH_TIMEOUT(boxes.boxes.size(), 1u, 10000);
  EXPECT_TRUE(boxes.boxes.front().text.startsWith(QStringLiteral("Не удалось записать результат в «")))
      << boxes.boxes.front().text.toStdString();
  EXPECT_TRUE(boxes.boxes.front().text.contains(QStringLiteral("results.csv")));
  EXPECT_TRUE(form->reportBox->isVisible());
  EXPECT_EQ(form->reportBox->lineCount(), 9);
  EXPECT_TRUE(form->rightTotalLabel->isVisible());
  EXPECT_TRUE(form->saveReportAction->isEnabled());
}

#ifndef _WIN32
// A results folder that does not answer (here: another program holds the
// log's lock) does not hold the window up; the row comes once it answers.
TEST_F(ReportOutput, AResultsFolderThatDoesNotAnswerDoesNotHoldTheWindowUp) {
  const stdfs::path folder = dir / "results";
  stdfs::create_directory(folder);
  const stdfs::path log = folder / "results.csv";
  { std::ofstream(log, std::ios::binary) << results::kByteOrderMark << results::HeaderLine(); }
  LockHolder holder(log.string());
  ASSERT_TRUE(holder.locked());

  run->setResultsFolder(folder);
  QElapsedTimer clock;
  clock.start();
  ShowReport();
  EXPECT_LT(clock.elapsed(), 3000);
  QTest::qWait(300);
  EXPECT_EQ(ReadAll(log.string()).size(), results::kByteOrderMark.size() + results::HeaderLine().size());
  ASSERT_TRUE(holder.Release());
  QTRY_VERIFY_WITH_TIMEOUT(ReadAll(log.string()).size() > results::kByteOrderMark.size() + results::HeaderLine().size(),
                           10000);
  EXPECT_TRUE(boxes.boxes.empty());
}

// A reader holds the log when the window is closed: the close waits for the
// row, the window's thread going on meanwhile (a second close changes
// nothing), and the window goes once the row is in.
TEST_F(ReportOutput, AClosedWindowWaitsForTheRowWhileAReaderHoldsTheLog) {
  const stdfs::path folder = dir / "results";
  stdfs::create_directory(folder);
  const stdfs::path log = folder / "results.csv";
  const std::string start = std::string(results::kByteOrderMark) + results::HeaderLine();
  { std::ofstream(log, std::ios::binary) << start; }
  LockHolder reader(log.string(), LockHolder::Kind::kShared);
  ASSERT_TRUE(reader.locked());
  run->setResultsFolder(folder);
  ShowReport();
  const std::string row = results::RowLine(results::RowOfRun(run->run()));

  std::thread let_go([&reader] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    reader.Release();
  });
  int beats = 0;
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout, [&beats] { ++beats; });
  beat.start(50);
  bool shown_after_second_close = false;
  QTimer::singleShot(200, form.get(), [this, &shown_after_second_close] {
    form->close();
    shown_after_second_close = form->isVisible();
  });
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(form->close());
  const qint64 waited = clock.elapsed();
  let_go.join();

  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(shown_after_second_close);
  EXPECT_GE(waited, 900);
  EXPECT_LT(waited, 9000);
  EXPECT_GE(beats, 5) << "the window's thread stood still while the close waited";
  EXPECT_EQ(ReadAll(log.string()), start + row);
  EXPECT_TRUE(boxes.boxes.empty());
}

// A row that cannot be written when the window is closed is told in the
// error box while the window is still there; then the window goes.
TEST_F(ReportOutput, ARowNotWrittenAtTheCloseIsToldBeforeTheWindowGoes) {
  using std::chrono::milliseconds;
  const struct {
    const char* what;
    bool folder_there;
    bool lock_held;
    ResultsWaits waits;
    QString told;
  } cases[] = {
      {"the log held longer than the append waits",
       true,
       true,
       {milliseconds(500), milliseconds(5000)},
       QStringLiteral("занят другой программой")},
      {"a folder that does not answer while the close waits",
       true,
       true,
       {milliseconds(5000), milliseconds(500)},
       QStringLiteral("папка результатов не ответила за 0,5 с")},
      {"a folder that is not there", false, false, {}, QStringLiteral("results.csv")},
  };
  struct Told {
    QString text;
    bool window_shown;
  };
  std::vector<Told> told;
  ui::MessageDialog::SetAnswer([this, &told](QMessageBox& box) {
    told.push_back({box.text(), form->isVisible()});
    return QMessageBox::Ok;
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Restart();
    told.clear();
    const stdfs::path folder = dir / (std::string("results ") + c.what);
    const stdfs::path log = folder / "results.csv";
    const std::string start = std::string(results::kByteOrderMark) + results::HeaderLine();
    std::optional<LockHolder> holder;
    if (c.folder_there) {
      stdfs::create_directory(folder);
      std::ofstream(log, std::ios::binary) << start;
    }
    if (c.lock_held) {
      holder.emplace(log.string());
      ASSERT_TRUE(holder->locked());
    }
    run->setResultsFolder(folder, c.waits);
    ShowReport();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(form->close());
    EXPECT_LT(clock.elapsed(), 4000);
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_TRUE(told.front().window_shown);
    EXPECT_TRUE(told.front().text.startsWith(QStringLiteral("Не удалось записать результат в «")))
        << told.front().text.toStdString();
    EXPECT_TRUE(told.front().text.contains(c.told)) << told.front().text.toStdString();
    if (c.folder_there) {
      EXPECT_EQ(ReadAll(log.string()), start);
    }
  }
}
#endif

// With no row being written, the window closes at once.
TEST_F(ReportOutput, AWindowWhoseRowIsWrittenClosesAtOnce) {
  const stdfs::path folder = dir / "results";
  stdfs::create_directory(folder);
  run->setResultsFolder(folder);
  ShowReport();
  QTRY_VERIFY_WITH_TIMEOUT(ReadAll((folder / "results.csv").string()).size() > results::HeaderLine().size() + 3, 10000);
  QCoreApplication::processEvents();
  QElapsedTimer clock;
  clock.start();
  EXPECT_TRUE(form->close());
  EXPECT_LT(clock.elapsed(), 500);
  EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
}  // namespace miravel::run

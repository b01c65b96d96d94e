// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/report_output.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <stdexcept>

#include "platform/cp1251.h"
#include "run/test_run.h"
#include "ui/controls/report_box.h"
#include "ui/guard.h"

namespace miravel::run {
namespace {

QString Unicode(const Text& text) { return QString::fromStdString(cp1251::ToUtf8(text)); }

const ReportSummary& Summary(const TestRun& run) {
  if (!run.reportSummary()) throw std::logic_error("The report is not shown");
  return *run.reportSummary();
}

QDateTime ShownAt(const ReportSummary& summary) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(summary.shown_at.time_since_epoch());
  return QDateTime::fromMSecsSinceEpoch(ms.count());
}

// The sizes on paper, in points.
constexpr qreal kTitlePoints = 14;
constexpr qreal kTextPoints = 10;

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

void WritePdf(QTextDocument& document, QIODevice& out, const QString& title) {
  QPdfWriter writer(&out);
  writer.setTitle(title);
  writer.setCreator(ui::ApplicationTitle());
  writer.setPageSize(QPageSize(QPageSize::A4));
  PrintReport(document, writer);
}

}  // namespace

QStringList ReportHeading(const TestRun& run) {
  const ReportSummary& s = Summary(run);
  return {
      QStringLiteral("Ф.И.О.: ") + Unicode(run.fullName()),
      QStringLiteral("Группа: ") + Unicode(run.group()),
      QStringLiteral("Тест: ") + Unicode(run.header().title),
      QStringLiteral("Дата и время: ") + ShownAt(s).toString(QStringLiteral("dd.MM.yyyy HH:mm")),
      QStringLiteral("Вопросов: ") + QString::number(s.questions),
      QStringLiteral("Правильных ответов: ") + QString::number(s.right),
      QStringLiteral("Неправильных ответов: ") + QString::number(s.wrong),
      QStringLiteral("Время истекло: ") + (s.time_ran_out ? QStringLiteral("да") : QStringLiteral("нет")),
      QStringLiteral("Журнал ответов изменен в обход программы: ") +
          (s.journal_changed ? QStringLiteral("да") : QStringLiteral("нет")),
  };
}

std::unique_ptr<QTextDocument> ReportDocument(const TestRun& run, const ui::ReportBox& box) {
  auto document = std::make_unique<QTextDocument>();
  QFont font = box.font();
  font.setPointSizeF(kTextPoints);
  document->setDefaultFont(font);
  QTextCursor cursor(document.get());
  cursor.beginEditBlock();

  QTextCharFormat title;
  title.setFontWeight(QFont::Bold);
  title.setFontPointSize(kTitlePoints);
  cursor.setBlockCharFormat(title);
  cursor.insertText(QStringLiteral("Отчет о выполнении теста"), title);
  // The heading and the report in black unless a line has a colour of its own.
  QTextCharFormat plain;
  plain.setForeground(QColor(Qt::black));
  for (const QString& line : ReportHeading(run)) {
    cursor.insertBlock(QTextBlockFormat(), plain);
    cursor.insertText(line, plain);
  }
  cursor.insertBlock(QTextBlockFormat(), plain);

  const int lines = box.lineCount();
  for (int k = 0; k < lines; ++k) {
    QTextCharFormat coloured;
    coloured.setForeground(box.lineColor(k));
    cursor.insertBlock(QTextBlockFormat(), coloured);
    cursor.insertText(box.lineText(k), coloured);
  }
  cursor.endEditBlock();
  return document;
}

QString SafeFileName(QString name) {
  for (QChar& c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"/\\:*?\"<>|").contains(c)) c = u'_';
  }
  while (!name.isEmpty() && (name.back() == u' ' || name.back() == u'.')) name.chop(1);
  // Windows keeps these names for devices, whatever follows a dot.
  static const QRegularExpression device(QStringLiteral(R"(^(CON|PRN|AUX|NUL|COM[0-9]|LPT[0-9]) *(\.|$))"),
                                         QRegularExpression::CaseInsensitiveOption);
  if (name.isEmpty() || device.match(name).hasMatch()) name.prepend(u'_');
  return name;
}

QString ReportFileName(const TestRun& run) {
  const ReportSummary& s = Summary(run);
  // Long names are cut, so that the whole name keeps within what file
  // systems take.
  constexpr qsizetype kPart = 80;
  const QString name = Unicode(run.fullName()).trimmed().left(kPart);
  const QString group = Unicode(run.group()).trimmed().left(kPart);
  const QString date = ShownAt(s).toString(QStringLiteral("yyyy-MM-dd"));
  return SafeFileName(name + QStringLiteral(" - ") + group + QStringLiteral(" - ") + date) + QStringLiteral(".pdf");
}

void PrintReport(QTextDocument& document, QPagedPaintDevice& device) { document.print(&device); }

void SaveReportPdf(QTextDocument& document, const QString& file, bool replace, const QString& title) {
  const QString shown =
      QStringLiteral("«") + QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()) + QStringLiteral("»");
  if (replace) {
    // Written beside it and renamed over it once whole: a failure leaves the
    // old file as it was.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
      Fail(QStringLiteral("Не удалось сохранить отчет в файл ") + shown + QStringLiteral(": ") + out.errorString());
    WritePdf(document, out, title);
    if (!out.commit())
      Fail(QStringLiteral("Не удалось сохранить отчет в файл ") + shown + QStringLiteral(": ") + out.errorString());
    return;
  }
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
    const QFileInfo there(file);
    if (there.exists() || there.isSymLink())
      Fail(QStringLiteral("Файл ") + shown +
           QStringLiteral(" появился, пока выбиралось имя; отчет не записан поверх него. Сохраните его еще раз"));
    Fail(QStringLiteral("Не удалось создать файл ") + shown + QStringLiteral(": ") + out.errorString());
  }
  WritePdf(document, out, title);
  const bool written = out.error() == QFileDevice::NoError && out.flush();
  const QString error = out.errorString();
  out.close();
  if (!written || out.error() != QFileDevice::NoError) {
    out.remove();
    Fail(QStringLiteral("Не удалось сохранить отчет в файл ") + shown + QStringLiteral(": ") + error);
  }
}

}  // namespace miravel::run

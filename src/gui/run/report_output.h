// SPDX-License-Identifier: GPL-3.0-or-later
// The shown report on paper: the document that is saved as PDF and printed
// (a heading with the student, the group, the test, the date and time, the
// totals and whether the answer journal was changed behind the run's back,
// then the report's lines in the colours the report box shows them
// in), the name a saved report is proposed under, and the writing of the PDF.
#pragma once

#include <QString>
#include <memory>

class QTextDocument;
class QPagedPaintDevice;

namespace miravel::ui {
class ReportBox;
}

namespace miravel::run {

class TestRun;

// The report of `run` (whose report is shown) with the lines of `box`.
std::unique_ptr<QTextDocument> ReportDocument(const TestRun& run, const ui::ReportBox& box);

// The heading's lines, as the document shows them.
QStringList ReportHeading(const TestRun& run);

// The name a saved report is proposed under: the student, the group and the
// date the report was shown ("Иванов Иван - ГР-11 - 2026-12-10.pdf"), made
// safe as a file name on Linux and Windows.
QString ReportFileName(const TestRun& run);

// `name` as a file name that Linux and Windows both take: characters neither
// allows in a name (control characters, / \ : * ? " < > |) become "_",
// trailing blanks and dots go, a name Windows keeps for a device gets a "_" in
// front, and an empty name becomes "_".
QString SafeFileName(QString name);

// Lays the document out on `device`'s pages and draws it there.
void PrintReport(QTextDocument& document, QPagedPaintDevice& device);

// Writes the document as a PDF to `file`. When `replace` is false, the file is
// created only if nothing is there yet; otherwise what is there is replaced,
// in one step, once the new file is whole. std::runtime_error (a message for
// the user) when it cannot be written; a file that was not there before is
// not left behind then.
void SaveReportPdf(QTextDocument& document, const QString& file, bool replace, const QString& title);

}  // namespace miravel::run

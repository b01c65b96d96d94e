// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/site_settings.h"

#include <iostream>

#include "platform/file_system.h"
#include "ui/guard.h"

namespace miravel::run {
namespace {

// What is wrong, in the words of the box.
QString Reason(const site::Problem& problem) {
  const QString line = QString::number(problem.line);
  switch (problem.kind) {
    case site::ProblemKind::kUnreadable:
      return QStringLiteral("файл не читается (нет прав на его чтение или ошибка чтения)");
    case site::ProblemKind::kNotRegularFile: return QStringLiteral("это не обычный файл");
    case site::ProblemKind::kMalformedLine:
      return QStringLiteral(
                 "строка %1 — не комментарий, не «[раздел]» и не «ключ = значение» внутри раздела "
                 "(или записана не в UTF-8)")
          .arg(line);
    case site::ProblemKind::kRepeatedKey: return QStringLiteral("в строке %1 ключ задан второй раз").arg(line);
    case site::ProblemKind::kMalformedHash:
      return QStringLiteral(
                 "в строке %1 пароль отчета записан не хешем (задайте его командой "
                 "«sudo miravel-make --set-report-password»)")
          .arg(line);
    case site::ProblemKind::kNoHashSupport:
      return QStringLiteral("в строке %1 задан хеш пароля отчета, а эта сборка программы не умеет проверять хеши")
          .arg(line);
    case site::ProblemKind::kMalformedFolder:
      return QStringLiteral("в строке %1 папка результатов задана не полным путем").arg(line);
#ifdef _WIN32
    case site::ProblemKind::kNotRootsFile: return QStringLiteral("владелец файла — не администраторы");
    case site::ProblemKind::kWritableByOthers: return QStringLiteral("файл могут изменить не только администраторы");
#else
    case site::ProblemKind::kNotRootsFile: return QStringLiteral("владелец файла — не root");
    case site::ProblemKind::kWritableByOthers: return QStringLiteral("файл может изменить не только root");
#endif
    case site::ProblemKind::kLooseFolder:
      return QStringLiteral("папку, в которой лежит файл, может изменить не только root");
    case site::ProblemKind::kTooLarge: return QStringLiteral("файл больше 64 КиБ");
    case site::ProblemKind::kHashCost:
      return QStringLiteral(
                 "в строке %1 у хеша пароля отчета недопустимая сложность (t — от 1 до 4, m — от 16 до 256 МиБ)")
          .arg(line);
    case site::ProblemKind::kEmptyPasswordHash:
      return QStringLiteral("в строке %1 записан хеш пустого пароля").arg(line);
  }
  return {};
}

}  // namespace

void UseSiteConfig(Controller& controller, const site::LoadResult& loaded) {
  controller.setReportPassword(loaded.config.report_password);
  for (const std::string& warning : loaded.warnings) std::cerr << "miravel: site configuration: " << warning << '\n';
}

QString SiteProblemText(const std::string& path, const site::Problem& problem) {
  return QStringLiteral(
             "Настройки в файле %1 не приняты: %2.\n\n"
             "Отчет не откроется ни с каким паролем, пока администратор не исправит файл "
             "(его формат описан в «man miravel»).")
      .arg(QString::fromStdString(fs::PathForDisplay(path)), Reason(problem));
}

void ReportSiteProblem(const std::string& path, const site::LoadResult& loaded) {
  if (loaded.problem) ui::ShowErrorBox(SiteProblemText(path, *loaded.problem));
}

}  // namespace miravel::run

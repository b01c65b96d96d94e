// SPDX-License-Identifier: GPL-3.0-or-later
// The site configuration on the real windows: the password that the teacher
// types into the password window is checked by the configuration's rule,
// and a broken configuration is told once, in the error box, while the
// program goes on refusing every password.
#include "run/site_settings.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <chrono>
#include <iostream>

#include "run/report_password.h"
#include "run_test_support.h"

namespace miravel::run {
namespace {

using testing_support::RunFixture;

class SiteSettings : public RunFixture {
 protected:
  // A finished run of two questions with the password window open.
  void FinishTest() {
    const std::string test = File("t.DLL");
    testing_support::TestFileBuilder().Header("Т", "", "").Plain("Option", "QwCount", "2").Questions(2).Save(test);
    StartTest(test);
    Answer();
    Answer();
    Answer();
    ASSERT_TRUE(dlg->isVisible());
  }
};

TEST_F(SiteSettings, ABrokenFileIsToldOnceAndOpensTheReportToNoOne) {
  const site::LoadResult loaded = site::Parse("[report]\npassword = 407152\n");
  ASSERT_TRUE(loaded.problem);
  UseSiteConfig(*run, loaded);
  ReportSiteProblem("/etc/miravel/miravel.conf", loaded);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Миравель"));
  EXPECT_EQ(boxes.boxes[0].text,
            QStringLiteral("Настройки в файле /etc/miravel/miravel.conf не приняты: в строке 2 пароль отчета записан "
                           "не хешем (задайте его командой «sudo miravel-make --set-report-password»).\n\n"
                           "Отчет не откроется ни с каким паролем, пока администратор не исправит файл "
                           "(его формат описан в «man miravel»)."));

  FinishTest();
  for (const QString& typed : {QStringLiteral("407152"), QString()}) {
    TypePassword(typed);
    EXPECT_TRUE(dlg->isVisible()) << typed.toStdString();
    EXPECT_FALSE(form->reportBox->isVisible()) << typed.toStdString();
  }
  EXPECT_EQ(boxes.boxes.size(), 1u) << "a refused password is a wrong one: no box";
}

TEST_F(SiteSettings, ASoundFileSaysNothingAndItsPasswordOpensTheReport) {
  const std::optional<std::string> hash = HashPassword("Ёлка 2");
  if (!hash) GTEST_SKIP() << "built without password hashes";
  const site::LoadResult loaded = site::Parse("[report]\npassword = " + *hash + "\n");
  ASSERT_FALSE(loaded.problem);
  UseSiteConfig(*run, loaded);
  ReportSiteProblem("/etc/miravel/miravel.conf", loaded);
  EXPECT_TRUE(boxes.boxes.empty());

  FinishTest();
  TypePassword(QStringLiteral("407152"));
  EXPECT_TRUE(dlg->isVisible()) << "the built-in password no longer opens it";
  TypePassword(QStringLiteral("Ёлка 2"));
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(form->reportBox->isVisible());
}

TEST_F(SiteSettings, TheHashIsCheckedBesideTheWindow) {
  const std::optional<std::string> hash = HashPassword("Ёлка 2");
  if (!hash) GTEST_SKIP() << "built without password hashes";
  UseSiteConfig(*run, site::Parse("[report]\npassword = " + *hash + "\n"));
  FinishTest();
  ui::testing_support::Type(dlg->passwordEdit, QStringLiteral("Ёлка 2"));
  const auto start = std::chrono::steady_clock::now();
  QTest::keyClick(dlg->passwordEdit, Qt::Key_Return);
  // Under way: OK waits with a note, and the window's events go on.
  EXPECT_FALSE(dlg->okButton->isEnabled());
  EXPECT_TRUE(dlg->waitLabel->isVisible());
  EXPECT_EQ(dlg->waitLabel->text(), QStringLiteral("Проверка…"));
  int turns = 0;  // of the event loop while the hash is checked
  QTimer beat;
  QObject::connect(&beat, &QTimer::timeout, [&] { ++turns; });
  beat.start(10);
  WaitForPasswordCheck();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::cout << "the check took " << took.count() << " ms; the window's event loop turned " << turns
            << " times meanwhile\n";
  EXPECT_GE(turns, took.count() / 10 / 4) << "the window stood still for " << took.count() << " ms";
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_TRUE(form->reportBox->isVisible());
}

TEST_F(SiteSettings, EveryProblemIsNamedWithItsLine) {
  const std::pair<site::Problem, QString> cases[] = {
      {{site::ProblemKind::kUnreadable, 0}, QStringLiteral("файл не читается")},
      {{site::ProblemKind::kNotRegularFile, 0}, QStringLiteral("это не обычный файл")},
      {{site::ProblemKind::kMalformedLine, 3}, QStringLiteral("строка 3 — не комментарий")},
      {{site::ProblemKind::kRepeatedKey, 4}, QStringLiteral("в строке 4 ключ задан второй раз")},
      {{site::ProblemKind::kNoHashSupport, 5}, QStringLiteral("в строке 5 задан хеш")},
      {{site::ProblemKind::kMalformedFolder, 6}, QStringLiteral("в строке 6 папка результатов")},
#ifdef _WIN32
      {{site::ProblemKind::kNotRootsFile, 0}, QStringLiteral("владелец файла — не администраторы")},
      {{site::ProblemKind::kWritableByOthers, 0}, QStringLiteral("файл могут изменить не только администраторы")},
#else
      {{site::ProblemKind::kNotRootsFile, 0}, QStringLiteral("владелец файла — не root")},
      {{site::ProblemKind::kWritableByOthers, 0}, QStringLiteral("файл может изменить не только root")},
#endif
      {{site::ProblemKind::kLooseFolder, 0}, QStringLiteral("папку, в которой лежит файл, может изменить")},
      {{site::ProblemKind::kTooLarge, 0}, QStringLiteral("файл больше 64 КиБ")},
      {{site::ProblemKind::kHashCost, 2}, QStringLiteral("в строке 2 у хеша пароля отчета недопустимая сложность")},
      {{site::ProblemKind::kEmptyPasswordHash, 2}, QStringLiteral("в строке 2 записан хеш пустого пароля")},
  };
  for (const auto& [problem, reason] : cases) {
    const QString text = SiteProblemText("/etc/miravel/miravel.conf", problem);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Настройки в файле /etc/miravel/miravel.conf не приняты: ") + reason))
        << text.toStdString();
  }
}

}  // namespace
}  // namespace miravel::run

// SPDX-License-Identifier: GPL-3.0-or-later
// Miravel: the student takes a timed test in the main window; the teacher
// then unlocks the graded report in the same window.
#include <QApplication>
#include <QTimer>

#include "app/close_on_signal.h"
#include "app/command_line.h"
#include "platform/os_services.h"
#include "run/controller.h"
#include "run/site_settings.h"
#include "site/site_config.h"
#include "ui/guard.h"
#include "ui/icon.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"
#include "ui/report_password_dialog.h"

int main(int argc, char** argv) {
  // The program reads one argument of its own, a test file to start the
  // «Открыть» dialog at (app/command_line.h); Qt is given none.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication app(qt_argc, argv);
  QApplication::setApplicationName(miravel::ui::ApplicationTitle());
  QApplication::setWindowIcon(miravel::ui::AppIcon());
  // Qt's own buttons and dialogs in the user's language.
  miravel::ui::InstallQtTranslations();

  // The main window is created first, and its creation begins the run;
  // closing it ends the program.
  miravel::ui::MainWindow main_window;
  miravel::run::Controller run(main_window, miravel::os::System());
  miravel::ui::ReportPasswordDialog password_dialog;  // hidden until the report is asked for
  run.attachPasswordDialog(password_dialog);
  if (const auto test_file = miravel::app::TestFileArgument(argc, argv))
    main_window.openDialog->SetStartFile(QString::fromLocal8Bit(test_file->c_str()));
  // The site configuration decides the report password; a broken one is
  // told once the window shows, and then every report password is refused.
  const std::string site_path = miravel::site::DefaultPath();
  const miravel::site::LoadResult site = miravel::site::Load(site_path);
  miravel::run::UseSiteConfig(run, site);
  run.setResultsFolder(site.config.results_folder);  // the class results log, when a folder is named
  main_window.show();
  // SIGTERM, SIGINT and SIGHUP close the window as its close box does.
  miravel::app::CloseOnTerminationSignals(main_window);
  QTimer::singleShot(0, &main_window,
                     [&] { miravel::ui::Guarded([&] { miravel::run::ReportSiteProblem(site_path, site); }); });
  return QApplication::exec();
}

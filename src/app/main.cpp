// Miravel: the student takes a timed test in the main window; the teacher
// then unlocks the graded report in the same window.
#include <QApplication>

#include "app/close_on_signal.h"
#include "platform/os_services.h"
#include "run/controller.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/controls/guard.h"
#include "ui/icon.h"

int main(int argc, char** argv) {
  // The program reads no argument of its own, and Qt is given none either.
  int qt_argc = argc > 0 ? 1 : 0;
  QApplication app(qt_argc, argv);
  QApplication::setApplicationName(miravel::ui::ApplicationTitle());
  QApplication::setWindowIcon(miravel::ui::AppIcon());

  // The main window is created first, and its creation begins the run;
  // closing it ends the program.
  TForm1 Form1;
  miravel::run::Controller run(Form1, miravel::os::System());
  miravel::ui::Guarded([&run] { run.FormCreate(); });
  TPasswordDlg PasswordDlg;  // hidden until the report is asked for
  run.AttachPasswordDlg(PasswordDlg);
  Form1.show();
  // SIGTERM, SIGINT and SIGHUP close the window as its close box does.
  miravel::app::CloseOnTerminationSignals(Form1);
  return QApplication::exec();
}

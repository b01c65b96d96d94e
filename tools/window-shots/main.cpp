// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the windows on the offscreen platform into PNG pictures for the
// README and for comparing the windows before and after a change, going
// through real runs of a test file:
//  - main-window.png: the main window as it starts;
//  - registered.png: name and group typed, «Открыть» enabled;
//  - test-opened.png: the test's header shown;
//  - question-area.png: a question with an option chosen, a minute gone;
//  - end-screen.png: every question answered, the report to be asked for;
//  - password-window.png: the report password window;
//  - password-wait.png: the same after five wrong passwords, OK waiting;
//  - report.png: the report;
//  - time-out.png: a second run whose time ran out;
//  - no-test.png: a third run that opened a file holding no test.
//   window-shots [--dark] [--geometry] OUTPUT_FOLDER TEST_FILE
// --dark renders with a dark palette on the application, to check that every
// text stays readable on it. --geometry also writes, beside each picture
// NAME.png, NAME.geometry: one line for each visible control with an object
// name, "objectName x y width height" in the window's coordinates, in the
// order of the widget tree (to compare the layouts of two builds). The runs'
// answer journals go to a temporary folder, which is removed.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPalette>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/os_services.h"
#include "run/controller.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"

namespace ui = miravel::ui;

namespace {

// The system, with the journal in a folder of the tool's own.
class ShotOs : public miravel::os::SystemServices {
 public:
  explicit ShotOs(std::string folder) : folder_(std::move(folder)) {}
  std::string ProfileFolder() override { return folder_; }
  std::string ShortDateText() override { return "10.12.2026"; }

 private:
  std::string folder_;
};

bool g_geometry = false;  // --geometry

// The visible controls' places, as --geometry writes them.
QByteArray Geometry(QWidget& window) {
  QByteArray lines;
  const QList<QWidget*> controls = window.findChildren<QWidget*>();
  for (const QWidget* control : controls) {
    if (control->objectName().isEmpty() || !control->isVisibleTo(&window)) continue;
    const QRect r(control->mapTo(&window, QPoint(0, 0)), control->size());
    lines += control->objectName().toUtf8() + ' ' + QByteArray::number(r.x()) + ' ' + QByteArray::number(r.y()) + ' ' +
             QByteArray::number(r.width()) + ' ' + QByteArray::number(r.height()) + '\n';
  }
  return lines;
}

bool Save(QWidget& window, const QDir& folder, const char* name) {
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!window.grab().toImage().save(path)) {
    std::fprintf(stderr, "window-shots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  if (g_geometry) {
    QFile file(path.left(path.size() - 4) + QStringLiteral(".geometry"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(Geometry(window)) < 0) {
      std::fprintf(stderr, "window-shots: cannot write %s\n", qPrintable(file.fileName()));
      return false;
    }
  }
  return true;
}

// OK in the password window, and the check's verdict, which comes from
// beside the window.
void EnterPassword(miravel::run::Controller& controller) {
  controller.enterPassword();
  while (controller.run().passwordTries().checking()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Light text on dark window and box backgrounds.
QPalette DarkPalette() {
  const QColor text(0xE8, 0xE8, 0xE8);
  const QColor window(0x2B, 0x2B, 0x2B);
  const QColor base(0x1E, 0x1E, 0x1E);
  const QColor button(0x3A, 0x3A, 0x3A);
  QPalette palette(text, button, button.lighter(150), button.darker(150), button.darker(120), text, Qt::white, base,
                   window);
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
  palette.setColor(QPalette::Highlight, QColor(0x2A, 0x6F, 0xC9));
  palette.setColor(QPalette::Link, QColor(0x5E, 0xA8, 0xFF));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  return palette;
}

// One run of the program: the main window, its controller and the password
// window, with the open-file dialog answered by `test`.
struct Run {
  Run(ShotOs& os, const QString& test) : controller(form, os) {
    controller.attachPasswordDialog(password);
    form.show();
    miravel::ui::FileDialog::SetNextFileName(test);
  }
  ~Run() {
    form.close();  // deletes the journal
  }
  void Register() {
    form.nameEdit->setText(QStringLiteral("Смирнова Анна Петровна"));
    form.groupEdit->setText(QStringLiteral("7-Б"));
  }

  ui::MainWindow form;
  miravel::run::Controller controller;
  ui::ReportPasswordDialog password;
};

}  // namespace

int main(int argc, char** argv) {
  char** args = argv + 1;
  bool dark = false;
  for (; *args != nullptr && (*args)[0] == '-' && (*args)[1] == '-'; ++args) {
    if (std::strcmp(*args, "--dark") == 0) {
      dark = true;
    } else if (std::strcmp(*args, "--geometry") == 0) {
      g_geometry = true;
    } else {
      break;
    }
  }
  if (argv + argc - args != 2) {
    std::fprintf(stderr, "usage: window-shots [--dark] [--geometry] OUTPUT_FOLDER TEST_FILE\n");
    return 2;
  }
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  if (dark) QApplication::setPalette(DarkPalette());
  const QDir folder(QString::fromLocal8Bit(args[0]));
  QDir().mkpath(folder.path());
  const QString test = QFileInfo(QString::fromLocal8Bit(args[1])).absoluteFilePath();
  QTemporaryDir home;
  // The journal's folder in the system's own bytes and separators.
  ShotOs os(QDir::toNativeSeparators(home.path()).toLocal8Bit().toStdString());
  bool ok = true;

  {
    Run run(os, test);
    ui::MainWindow& form = run.form;
    miravel::run::Controller& controller = run.controller;
    ok = Save(form, folder, "main-window.png") && ok;
    run.Register();
    ok = Save(form, folder, "registered.png") && ok;
    controller.open();
    ok = Save(form, folder, "test-opened.png") && ok;

    // Two questions answered, the third shown with a choice made, a minute gone.
    controller.start();
    form.countdown->stop();
    for (int tick = 0; tick < 60; ++tick) controller.tick();
    for (int option : {1, 2}) {
      form.optionGroup->checkOption(option);
      controller.answer();
    }
    form.optionGroup->checkOption(0);
    ok = Save(form, folder, "question-area.png") && ok;

    // The rest answered with the first option; the teacher asks for the report.
    while (form.answerButton->text() != QStringLiteral("Отчет")) {
      if (form.optionGroup->options()->checkedId() < 0) form.optionGroup->checkOption(0);
      controller.answer();
    }
    ok = Save(form, folder, "end-screen.png") && ok;
    controller.answer();
    run.password.passwordEdit->setText(QStringLiteral("123456"));
    ok = Save(run.password, folder, "password-window.png") && ok;
    // Five wrong passwords: OK waits, with its note.
    for (int wrong = 0; wrong < 5; ++wrong) EnterPassword(controller);
    ok = Save(run.password, folder, "password-wait.png") && ok;
    while (!run.password.okButton->isEnabled()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    run.password.passwordEdit->setText(
        QString::fromLatin1(miravel::run::TestRun::kReportPassword.data(),
                            static_cast<qsizetype>(miravel::run::TestRun::kReportPassword.size())));
    EnterPassword(controller);
    ok = Save(form, folder, "report.png") && ok;
  }
  {
    // The time runs out on the second question.
    Run run(os, test);
    run.Register();
    run.controller.open();
    run.controller.start();
    run.form.countdown->stop();
    run.form.optionGroup->checkOption(1);
    run.controller.answer();
    while (run.form.answerButton->text() != QStringLiteral("Отчет")) run.controller.tick();
    run.password.hide();
    ok = Save(run.form, folder, "time-out.png") && ok;
  }
  {
    // A file that holds no test.
    Run run(os, folder.filePath(QStringLiteral("no such test.DLL")));
    run.Register();
    run.controller.open();
    ok = Save(run.form, folder, "no-test.png") && ok;
  }
  return ok ? 0 : 1;
}

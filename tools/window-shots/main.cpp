// Renders the windows on the offscreen platform into PNG pictures for the
// README, going through a real run of a test file: the main window as it
// starts, with a test opened, a question, the report password window and the
// report.
//   window-shots OUTPUT_FOLDER TEST_FILE
// The run's answer journal goes to a temporary folder, which is removed.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/os_services.h"
#include "run/controller.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
#include "ui/controls/open_dialog.h"

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

bool Save(QWidget& window, const QDir& folder, const char* name) {
  QApplication::processEvents();
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!window.grab().toImage().save(path)) {
    std::fprintf(stderr, "window-shots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window-shots OUTPUT_FOLDER TEST_FILE\n");
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(folder.path());
  const QString test = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  QTemporaryDir home;
  ShotOs os(home.path().toStdString());

  TForm1 form;
  miravel::run::Controller run(form, os);
  run.FormCreate();
  TPasswordDlg password;
  run.AttachPasswordDlg(password);
  form.show();
  bool ok = Save(form, folder, "main-window.png");

  form.Edit1->setText(QStringLiteral("Смирнова Анна Петровна"));
  form.Edit2->setText(QStringLiteral("7-Б"));
  miravel::ui::OpenDialog::SetHookForTests([&test](QFileDialog& dialog) {
    dialog.selectFile(test);
    return true;
  });
  run.Button1Click();
  ok = Save(form, folder, "test-opened.png") && ok;

  // Two questions answered, the third shown with a choice made, a minute gone.
  run.Button2Click();
  form.Timer1->SetEnabled(false);
  for (int tick = 0; tick < 60; ++tick) run.Timer1Timer();
  for (int option : {1, 2}) {
    form.RadioGroup1->SetItemIndex(option);
    run.Button3Click();
  }
  form.RadioGroup1->SetItemIndex(0);
  ok = Save(form, folder, "question-area.png") && ok;

  // The rest answered with the first option; the teacher asks for the report.
  while (form.Button3->text() != QStringLiteral("Отчет")) {
    if (form.RadioGroup1->ItemIndex() < 0) form.RadioGroup1->SetItemIndex(0);
    run.Button3Click();
  }
  run.Button3Click();
  password.Password->setText(QStringLiteral("123456"));
  ok = Save(password, folder, "password-window.png") && ok;
  password.Password->setText(QString::fromLatin1(miravel::run::Controller::kReportPassword.data(),
                                                 static_cast<qsizetype>(
                                                     miravel::run::Controller::kReportPassword.size())));
  run.OKBtnClick();
  ok = Save(form, folder, "report.png") && ok;

  form.close();  // deletes the journal
  return ok ? 0 : 1;
}

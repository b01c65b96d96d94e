// Renders the windows on the offscreen platform into PNG pictures for the
// README: the main window as it starts, the question area as a running test
// shows it, and the report password window.
//   window-shots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "ui/Unit1.h"
#include "ui/Unit2.h"

namespace {

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
  if (argc != 2) {
    std::fprintf(stderr, "usage: window-shots OUTPUT_FOLDER\n");
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(folder.path());

  TForm1 form;
  TPasswordDlg password;
  form.show();
  bool ok = Save(form, folder, "main-window.png");

  // The question area as the start of a test leaves it, with sample texts.
  form.GroupBox2->hide();
  form.GroupBox1->hide();
  form.TrackBar1->SetMax(15);
  form.Label15->SetCaption(QStringLiteral("3"));
  form.Label16->SetCaption(
      QStringLiteral("Какой фараон приказал построить самую большую пирамиду в Гизе?"));
  for (const char* option : {"Хеопс (Хуфу)", "Тутанхамон", "Рамсес II", "Эхнатон"})
    form.RadioGroup1->AddItem(QString::fromUtf8(option));
  form.RadioGroup1->SetItemIndex(0);
  form.TrackBar1->SetPosition(3);
  form.Button2->hide();
  form.Button3->show();
  form.Button4->show();
  form.Gauge1->SetMaxValue(300);
  form.Gauge1->SetProgress(212);
  ok = Save(form, folder, "question-area.png") && ok;

  password.show();
  password.Password->setText(QStringLiteral("123"));
  ok = Save(password, folder, "password-window.png") && ok;
  return ok ? 0 : 1;
}

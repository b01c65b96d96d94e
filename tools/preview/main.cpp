// SPDX-License-Identifier: GPL-3.0-or-later
// miravel-preview: shows a test as the student will see it. It renders the
// header screen and every question screen of a test file to PNG pictures with
// the program's own windows, run by the program's own controller on the
// offscreen platform (no display needed), and names every text of the test
// that does not fit its place on the screen.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fit/text_fit.h"
#include "messages.h"
#include "platform/file_system.h"
#include "platform/os_services.h"
#include "run/controller.h"
#include "testdata/test_file.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_translations.h"
#include "ui/report_password_dialog.h"

#ifndef MIRAVEL_VERSION
#error "MIRAVEL_VERSION must be defined by the build"
#endif

namespace {

namespace ui = miravel::ui;
using miravel::authoring::Format;
using miravel::authoring::Tr;
using miravel::fit::TextFit;

constexpr int kAllFit = 0;
constexpr int kFailed = 1;
constexpr int kBadUsage = 2;
constexpr int kSomethingHidden = 3;

// More questions than this are not previewed (a test file may claim any
// number).
constexpr std::int32_t kMaxQuestions = 9999;

// The messages are in the user's language (tools/miravel-make/messages.h,
// po/ru.po). The lines of the fit check on standard output are too; the
// fit check of miravel-make runs this program with English messages, so
// that it reads them in the form below.
const char* Help() {
  return Tr(R"help(Usage:
  miravel-preview TEST.DLL FOLDER    pictures of the test's screens, and the fit check
  miravel-preview --check TEST.DLL   the fit check alone, no pictures
  miravel-preview --help | --version

Shows the test file TEST.DLL as the student will see it, with the program's
own windows, rendered without a display. FOLDER (made if missing) gets one
picture of the header screen, header.png, and one of each question as it is
first shown, question-001.png, question-002.png and so on (at least three
digits). Pictures of those names already in FOLDER are replaced; nothing
else there is touched.

Every text of the test that does not fit its place on the screen (the title,
description and comments, a question's text, an option) is named on standard
output, one line each, with how many of its characters are hidden, e.g.

  question 7: option C: 23 characters of 61 hidden

A character counts as hidden when any part of it is cut off: at the right
edge, or on a line that is not wholly shown at the bottom.

Exit status: 0 every text fits, 3 some text does not fit, 1 error (the test
file cannot be read, a picture cannot be written), 2 bad usage.
)help");
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "miravel-preview: %s\n%s\n", message.c_str(),
               Format(Tr("Try '%s --help'."), "miravel-preview").c_str());
  return kBadUsage;
}

int Failure(const std::string& message) {
  std::fprintf(stderr, "miravel-preview: %s\n", message.c_str());
  return kFailed;
}

// The run's journal goes to a private temporary folder (removed at exit);
// the date in its name is fixed.
class PreviewOs : public miravel::os::SystemServices {
 public:
  explicit PreviewOs(std::string folder) : folder_(std::move(folder)) {}
  std::string ProfileFolder() override { return folder_; }
  std::string ShortDateText() override { return "01.09.2026"; }

 private:
  std::string folder_;
};

// Writes a picture of `window` in one step: a new file renamed over any old
// one of that name (a link of that name is replaced, not followed).
bool SavePicture(QWidget& window, const QDir& folder, const QString& name) {
  QApplication::processEvents();
  const QString path = folder.filePath(name);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || !window.grab().toImage().save(&file, "PNG") || !file.commit()) {
    std::fprintf(stderr, "miravel-preview: %s\n",
                 Format(Tr("cannot write %s: %s"), QDir::toNativeSeparators(path).toStdString(),
                        file.errorString().toStdString())
                     .c_str());
    return false;
  }
  return true;
}

// Tells one text that does not fit; true when it fits. `where` and `what`
// are in the user's language.
bool Fits(const std::string& where, const std::string& what, const TextFit& fit) {
  if (fit.fits()) return true;
  std::printf("%s\n", Format(Tr("%s: %s: %s characters of %s hidden"), where, what, std::to_string(fit.hidden),
                             std::to_string(fit.total))
                          .c_str());
  return false;
}

std::string QuestionPicture(std::int32_t n, int digits) {
  std::string number = std::to_string(n);
  if (static_cast<int>(number.size()) < digits) number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
  return "question-" + number + ".png";
}

struct Options {
  bool check_only = false;
  std::string test;
  std::string folder;
};

}  // namespace

int main(int argc, char** argv) {
  miravel::authoring::UseSystemLanguage();
  Options options;
  std::vector<std::string> operands;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_end || arg.empty() || arg[0] != '-') {
      operands.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(Help(), stdout);
      return kAllFit;
    } else if (arg == "--version") {
      std::printf("miravel-preview " MIRAVEL_VERSION "\n");
      return kAllFit;
    } else if (arg == "--check") {
      options.check_only = true;
    } else {
      return UsageError(Format(Tr("unknown option %s"), arg));
    }
  }
  const std::size_t wanted = options.check_only ? 1 : 2;
  if (operands.size() < wanted)
    return UsageError(operands.empty() ? Tr("no test file") : Tr("no folder for the pictures (or --check for none)"));
  if (operands.size() > wanted) return UsageError(Format(Tr("too many arguments: %s"), operands[wanted]));
  options.test = operands[0];
  if (!options.check_only) options.folder = operands[1];

  // The test is read as the program reads it, but a file that cannot be
  // read is an error here, not an empty test. A FIFO, a device or a folder
  // is never opened.
  const std::string shown_test = miravel::fs::PathForDisplay(options.test);
  const miravel::fs::FileStamp stamp = miravel::fs::Stamp(options.test);
  if (!stamp.exists) return Failure(Format(Tr("%s: no such test file"), shown_test));
  if (!stamp.regular) return Failure(Format(Tr("%s: not a regular file"), shown_test));
  if (!miravel::fs::ReadWhole(options.test)) return Failure(Format(Tr("%s: cannot read the test file"), shown_test));

  // No display needed: the offscreen platform unless another is asked for.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  ui::InstallQtTranslations();  // Qt's own texts as the program shows them

  QDir folder;
  if (!options.check_only) {
    folder.setPath(QFile::decodeName(options.folder.c_str()));
    if (!QDir().mkpath(folder.path()))
      return Failure(Format(Tr("cannot make the folder %s"), miravel::fs::PathForDisplay(options.folder)));
  }
  QTemporaryDir journal_folder;  // private (0700), removed at exit
  if (!journal_folder.isValid())
    return Failure(Format(Tr("cannot make a temporary folder: %s"), journal_folder.errorString().toStdString()));
  PreviewOs os(QFile::encodeName(journal_folder.path()).toStdString());

  ui::MainWindow form;
  miravel::run::Controller controller(form, os);
  ui::ReportPasswordDialog password;
  controller.attachPasswordDialog(password);
  form.show();
  const QString test = QFileInfo(QFile::decodeName(options.test.c_str())).absoluteFilePath();
  ui::FileDialog::SetNextFileName(test);

  bool all_fit = true;
  bool written = true;
  int pictures = 0;
  std::int32_t count = 0;
  try {
    // The header screen, as the student sees it once registered.
    form.nameEdit->setText(QStringLiteral("Иванова Мария Сергеевна"));
    form.groupEdit->setText(QStringLiteral("9-А"));
    controller.open();
    const std::string header = Tr("header");
    all_fit = Fits(header, Tr("title"), miravel::fit::MeasureLabel(*form.testNameLabel)) && all_fit;
    all_fit = Fits(header, Tr("description"), miravel::fit::MeasureLabel(*form.descriptionLabel)) && all_fit;
    all_fit = Fits(header, Tr("comments"), miravel::fit::MeasureLabel(*form.commentsLabel)) && all_fit;
    if (!options.check_only && SavePicture(form, folder, QStringLiteral("header.png"))) ++pictures;
    else if (!options.check_only) written = false;

    const miravel::ProfileFile* file = controller.run().test();
    count = file == nullptr ? 0 : miravel::testdata::TestFileReader(*file).QuestionCount(0);
    if (count > kMaxQuestions)
      return Failure(Format(Tr("%s: the test claims %s questions; at most %s are previewed"), shown_test,
                            std::to_string(count), std::to_string(kMaxQuestions)));

    // Every question as the scale shows it, the clock stopped at full time.
    if (count > 0) {
      controller.start();
      form.countdown->stop();
    }
    const int digits = std::max(3, static_cast<int>(std::to_string(count).size()));
    for (std::int32_t n = 1; n <= count; ++n) {
      if (n > 1) {
        {
          const QSignalBlocker quiet(form.questionScale);
          form.questionScale->setValue(n);
        }
        controller.moveScale();
      }
      const std::string where = Format(Tr("question %s"), std::to_string(n));
      all_fit = Fits(where, Tr("question text"), miravel::fit::MeasureLabel(*form.questionLabel)) && all_fit;
      for (int k = 0; k < 4; ++k) {
        const QRadioButton* option = form.optionGroup->option(k);
        if (option == nullptr) continue;
        const std::string what = Format(Tr("option %s"), std::string(1, static_cast<char>('A' + k)));
        all_fit = Fits(where, what, miravel::fit::MeasureOption(*option)) && all_fit;
      }
      if (options.check_only) continue;
      if (SavePicture(form, folder, QString::fromStdString(QuestionPicture(n, digits)))) ++pictures;
      else written = false;
    }
  } catch (const std::exception& e) {
    return Failure(shown_test + ": " + e.what());
  }
  std::fflush(stdout);
  if (!options.check_only && pictures > 0) {
    const std::string shown_folder = QDir::toNativeSeparators(folder.path()).toStdString();
    const int digits = std::max(3, static_cast<int>(std::to_string(count).size()));
    // The number of pictures, the folder, then the pictures' names.
    const std::string message =
        count == 0   ? Format(Tr("%s pictures in %s: %s"), std::to_string(pictures), shown_folder, "header.png")
        : count == 1 ? Format(Tr("%s pictures in %s: %s and %s"), std::to_string(pictures), shown_folder, "header.png",
                              QuestionPicture(1, 3))
                     : Format(Tr("%s pictures in %s: %s, %s to %s"), std::to_string(pictures), shown_folder,
                              "header.png", QuestionPicture(1, digits), QuestionPicture(count, digits));
    std::fprintf(stderr, "miravel-preview: %s\n", message.c_str());
  }
  if (!written) return kFailed;
  return all_fit ? kAllFit : kSomethingHidden;
}

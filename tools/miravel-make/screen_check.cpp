// SPDX-License-Identifier: GPL-3.0-or-later
// The fit check on the windows: the test is opened by the program's own
// controller in its own main window, on the offscreen platform, and every
// text is measured as miravel-preview measures it (fit/text_fit.h).
#include <QApplication>
#include <QByteArray>
#include <QFileInfo>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "fit/text_fit.h"
#include "fit_check.h"
#include "platform/os_services.h"
#include "run/controller.h"
#include "testdata/test_file.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace miravel::make {
namespace {

// The run's journal goes to a private temporary folder; the date in its name
// is fixed.
class CheckOs : public os::SystemServices {
 public:
  explicit CheckOs(std::string folder) : folder_(std::move(folder)) {}
  std::string ProfileFolder() override { return folder_; }
  std::string ShortDateText() override { return "01.09.2026"; }

 private:
  std::string folder_;
};

// What Qt reports (a missing runtime folder, a font) is not the tool's to
// tell: nothing of it is printed while the check runs.
void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// Qt on the offscreen platform for as long as it lives, with the platform
// asked for before and Qt's own message handler given back after it.
class OffscreenQt {
 public:
  OffscreenQt()
      : had_platform_(qEnvironmentVariableIsSet("QT_QPA_PLATFORM")),
        platform_(qgetenv("QT_QPA_PLATFORM")),
        handler_(qInstallMessageHandler(Quiet)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app_.emplace(argc_, argv_);
  }
  ~OffscreenQt() {
    app_.reset();
    if (had_platform_) qputenv("QT_QPA_PLATFORM", platform_);
    else qunsetenv("QT_QPA_PLATFORM");
    qInstallMessageHandler(handler_);
  }
  OffscreenQt(const OffscreenQt&) = delete;
  OffscreenQt& operator=(const OffscreenQt&) = delete;

 private:
  bool had_platform_;
  QByteArray platform_;
  QtMessageHandler handler_;
  char name_[13] = "miravel-make";
  char* argv_[2] = {name_, nullptr};
  int argc_ = 1;
  std::optional<QApplication> app_;
};

void Add(std::vector<HiddenText>& hidden, const fit::TextFit& fit, HiddenText::Place place, std::int32_t question = 0,
         std::size_t option = 0) {
  if (!fit.fits()) hidden.push_back({place, question, option, fit.hidden, fit.total});
}

}  // namespace

std::vector<HiddenText> HiddenTexts(const std::string& test_path) {
  using Place = HiddenText::Place;
  const OffscreenQt qt;
  QTemporaryDir journal_folder;  // private (0700), removed at the end
  if (!journal_folder.isValid()) throw std::runtime_error(journal_folder.errorString().toStdString());
  CheckOs os(QFile::encodeName(journal_folder.path()).toStdString());

  ui::MainWindow form;
  run::Controller controller(form, os);
  form.show();
  const QString test = QFileInfo(QFile::decodeName(test_path.c_str())).absoluteFilePath();
  ui::FileDialog::SetNextFileName(test);

  // The header screen, as the student sees it once registered.
  std::vector<HiddenText> hidden;
  form.nameEdit->setText(QStringLiteral("Иванова Мария Сергеевна"));
  form.groupEdit->setText(QStringLiteral("9-А"));
  controller.open();
  Add(hidden, fit::MeasureLabel(*form.testNameLabel), Place::kTitle);
  Add(hidden, fit::MeasureLabel(*form.descriptionLabel), Place::kDescription);
  Add(hidden, fit::MeasureLabel(*form.commentsLabel), Place::kComments);

  // Every question as the scale shows it, the clock stopped at full time.
  const ProfileFile* file = controller.run().test();
  const std::int32_t count = file == nullptr ? 0 : testdata::TestFileReader(*file).QuestionCount(0);
  if (count > 0) {
    controller.start();
    form.countdown->stop();
  }
  for (std::int32_t n = 1; n <= count; ++n) {
    if (n > 1) {
      {
        const QSignalBlocker quiet(form.questionScale);
        form.questionScale->setValue(n);
      }
      controller.moveScale();
    }
    Add(hidden, fit::MeasureLabel(*form.questionLabel), Place::kQuestionText, n);
    for (int k = 0; k < 4; ++k)
      if (const QRadioButton* option = form.optionGroup->option(k))
        Add(hidden, fit::MeasureOption(*option), Place::kOption, n, static_cast<std::size_t>(k));
  }
  return hidden;
}

}  // namespace miravel::make

#include "run/controller.h"

#include <QFile>
#include <QString>
#include <climits>
#include <string_view>

#include "run/grading.h"
#include "testdata/journal.h"
#include "testdata/test_file.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"
#include "ui/controls/guard.h"

namespace miravel::run {
namespace {

using miravel::literals::operator""_w;
using testdata::TestFileReader;

// Windows-1251 text to the screen's Unicode, and back. A character typed that
// has no Windows-1251 form becomes "?".
QString Screen(std::string_view text) { return QString::fromStdString(cp1251::ToUtf8(text)); }
Text Bytes(const QString& text) { return cp1251::FromUtf8(text.toStdString()); }

const QString kReportCaption = QStringLiteral("Отчет");

// One more and one less than a position, kept within the 32-bit range (the
// track bar clamps the result into its own range).
int Above(int position) { return position == INT_MAX ? INT_MAX : position + 1; }
int Below(int position) { return position == INT_MIN ? INT_MIN : position - 1; }

// The report box as the report writes into it.
class MemoSink : public ReportSink {
 public:
  explicit MemoSink(ui::ReportBox& memo) : memo_(memo) {}
  void SetColor(ReportColor color) override {
    const Rgb rgb = ToRgb(color);
    color_ = QColor(rgb.red, rgb.green, rgb.blue);
  }
  void AppendLine(const Text& line) override { memo_.appendLine(Screen(line), color_); }

 private:
  ui::ReportBox& memo_;
  QColor color_ = Qt::black;
};

}  // namespace

Controller::Controller(ui::MainWindow& form, os::Services& os) : form_(form), os_(os) {
  using ui::GuardedSlot;
  // Every connection ends with the controller (the windows may outlive it).
  QObject* const context = &connections_;
  QObject::connect(form_.nameEdit, &QLineEdit::textChanged, context,
                   GuardedSlot([this] { Edit1Change(); }));
  QObject::connect(form_.groupEdit, &QLineEdit::textChanged, context,
                   GuardedSlot([this] { Edit2Change(); }));
  QObject::connect(form_.openButton, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button1Click(); }));
  QObject::connect(form_.startButton, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button2Click(); }));
  QObject::connect(form_.answerButton, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button3Click(); }));
  QObject::connect(form_.backButton, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button4Click(); }));
  QObject::connect(&form_, &ui::MainWindow::closing, context, GuardedSlot([this] { FormCloseQuery(); }));
  QObject::connect(form_.questionScale, &ui::TrackBar::positionNotified, context,
                   GuardedSlot([this] { TrackBar1Change(); }));
  QObject::connect(form_.optionGroup->options(), &QButtonGroup::idToggled, context,
                   [this](int, bool checked) {
                     if (checked) ui::Guarded([this] { RadioGroup1Click(); });
                   });
  QObject::connect(form_.countdown, &QTimer::timeout, context, GuardedSlot([this] { Timer1Timer(); }));
}

Controller::~Controller() = default;

void Controller::AttachPasswordDlg(ui::ReportPasswordDialog& dlg) {
  password_dlg_ = &dlg;
  QObject::connect(dlg.okButton, &QPushButton::clicked, &connections_,
                   ui::GuardedSlot([this] { OKBtnClick(); }));
  // Cancel, Esc and the close box reject the window.
  QObject::connect(&dlg, &QDialog::rejected, &connections_,
                   ui::GuardedSlot([this] { PasswordDlgClose(); }));
}

const ProfileFile& Controller::Test() const { return TestFile ? *TestFile : no_test_; }

std::int32_t Controller::QuestionCount(std::int32_t def) const {
  return TestFileReader(Test()).QuestionCount(def);
}

// --- start and registration -------------------------------------------------

void Controller::FormCreate() {
  ProfilePath = GetSpecialPath(40);
  // One draw, among the numbers whose journal does not exist yet (after what
  // killed runs left is cleaned up); the first recording makes the name this
  // run's own.
  Journal = std::make_unique<testdata::AnswerJournal>(os_, ProfilePath);
  RightCount = 0;
  // The question area has no room before Start, yet Tab could reach the
  // track bar and the options there: they take no input until Start.
  form_.questionScale->setEnabled(false);
  form_.optionGroup->setEnabled(false);
}

std::string Controller::GetSpecialPath(std::uint16_t /*folder*/) {
  // The only folder the program asks for is the user's profile folder.
  return os_.ProfileFolder();
}

void Controller::FollowRegistration() {
  if (!form_.nameEdit->text().isEmpty() && !form_.groupEdit->text().isEmpty()) {
    form_.openButton->setEnabled(true);
    form_.openButton->setDefault(true);
  } else {
    form_.openButton->setEnabled(false);
  }
}

void Controller::Edit1Change() { FollowRegistration(); }

void Controller::Edit2Change() { FollowRegistration(); }

void Controller::Button1Click() {
  OpenTest();
  Group = Bytes(form_.groupEdit->text());
  FullName = Bytes(form_.nameEdit->text());
}

void Controller::OpenTest() {
  if (!form_.openDialog->Execute()) return;
  TestFile = std::make_unique<ProfileFile>(QFile::encodeName(form_.openDialog->FileName()).toStdString());
  const TestFileReader reader(*TestFile);
  form_.testNameLabel->setText(Screen(reader.TestName()));
  form_.descriptionLabel->setText(Screen(reader.Description()));
  form_.commentsLabel->setText(Screen(reader.Comments()));
  form_.questionCountLabel->setText(Screen(reader.QuestionCountText()));
  TimeLimit = reader.TimeMinutes();
  form_.timeLabel->setText(QString::number(TimeLimit));
  // The gauge counts seconds. A time whose seconds do not fit the gauge's
  // range is refused like a negative one, and the opening stops here.
  const std::int64_t seconds = std::int64_t{TimeLimit} * 60;
  form_.timeGauge->startCountdown(seconds);
  form_.startButton->setEnabled(true);
  form_.startButton->setDefault(true);
}

// --- the questions -----------------------------------------------------------

void Controller::Button2Click() {
  // A count of 2147483647 wraps round, as 32-bit arithmetic does, and a
  // maximum below the track bar's minimum is ignored.
  const auto count = static_cast<std::uint32_t>(QuestionCount(0));
  const auto last = static_cast<std::int32_t>(count + 1U);
  if (last >= form_.questionScale->minimum()) form_.questionScale->setMaximum(last);
  form_.testInfoGroup->hide();
  form_.registrationGroup->hide();
  form_.questionScale->setEnabled(true);
  form_.optionGroup->setEnabled(true);
  next(form_.questionScale->value());
  form_.startButton->hide();
  form_.answerButton->show();
  form_.backButton->setEnabled(false);
  form_.backButton->show();
  form_.countdown->start();
}

void Controller::next(std::int32_t n) {
  const testdata::QuestionTexts question = TestFileReader(Test()).Question(n);
  form_.questionLabel->setText(Screen(question.text));
  form_.questionNumberLabel->setText(QString::number(n));
  QStringList options;
  for (const Text& option : question.options) options << Screen(option);
  form_.optionGroup->setOptions(options);
  // A question answered before shows its recorded option, which runs
  // RadioGroup1Click.
  form_.optionGroup->checkOption(Journal->RecordedOption(n));
}

void Controller::ShowStudent() {
  form_.questionHeading->setText(Screen(FullName + '\r' + Group));
}

void Controller::TrackBar1Change() {
  const std::int32_t count = QuestionCount(0);
  const int position = form_.questionScale->value();
  if (count < position) {
    form_.questionLabel->setText(QStringLiteral(
        "Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов"));
    form_.questionNumberLabel->hide();
    ShowStudent();
    form_.optionGroup->hide();
    form_.answerButton->setText(kReportCaption);
    form_.questionScale->setEnabled(false);
    form_.countdown->stop();
    form_.backButton->setEnabled(false);
    return;
  }
  form_.backButton->setEnabled(position != 1);
  next(position);
}

void Controller::Button3Click() {
  if (form_.answerButton->text() != kReportCaption) {
    Scors(form_.questionScale->value());
  } else {
    if (ui::ReportPasswordDialog* dlg = password_dlg_.data()) dlg->show();
    form_.answerButton->setEnabled(false);
    // Asked again after the password window was closed: the track bar is
    // already disabled then, and nothing else on the screen changes.
    if (!form_.questionScale->isEnabled()) return;
  }
  form_.questionScale->setValue(Above(form_.questionScale->value()));
}

void Controller::Button4Click() {
  Scors(form_.questionScale->value());
  form_.questionScale->setValue(Below(form_.questionScale->value()));
}

void Controller::RadioGroup1Click() { form_.answerButton->setDefault(true); }

void Controller::Timer1Timer() {
  const int progress = form_.timeGauge->value();
  if (progress >= 1) {
    form_.timeGauge->setValue(progress - 1);
    return;
  }
  form_.countdown->stop();
  form_.answerButton->setText(kReportCaption);
  Button3Click();
  form_.optionGroup->hide();
  form_.questionLabel->setText(QStringLiteral(
      "Ваше время истекло. Пригласите преподавателя для просмотра Ваших результатов"));
  form_.questionNumberLabel->hide();
  form_.questionScale->setEnabled(false);
  ShowStudent();
  form_.backButton->setEnabled(false);
}

void Controller::FormCloseQuery() {
  if (Journal) Journal->Remove();
}

// --- the journal and the report ----------------------------------------------

void Controller::Scors(std::int32_t n) {
  Journal->Record(TestFile.get(), n, form_.optionGroup->options()->checkedId());
}

void Controller::OKBtnClick() { OpenReport(); }

void Controller::PasswordDlgClose() { form_.answerButton->setEnabled(true); }

void Controller::OpenReport() {
  ui::ReportPasswordDialog* dlg = password_dlg_.data();
  if (dlg == nullptr) return;
  const QString typed = dlg->passwordEdit->text();
  if (typed != QString::fromLatin1(kReportPassword.data(),
                                   static_cast<qsizetype>(kReportPassword.size()))) {
    // A wrong password: the window stays open; the answer shown is recorded
    // and the track bar moves one on.
    Scors(form_.questionScale->value());
    form_.questionScale->setValue(Above(form_.questionScale->value()));
    return;
  }
  dlg->hide();  // hidden, not closed: the report is on its way
  form_.reportBox->show();
  Otchet(QuestionCount(-1));
  form_.questionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  form_.rightTotalLabel->show();
  form_.wrongTotalLabel->show();
  form_.backButton->setEnabled(false);
  form_.countdown->stop();
  form_.questionLabel->setText(QStringLiteral("Итого:"));
  form_.rightTotalLabel->setText(QStringLiteral("Правильных ответов: ") + QString::number(RightCount));
  const std::int64_t wrong = std::int64_t{QuestionCount(0)} - RightCount;
  form_.wrongTotalLabel->setText(QStringLiteral("Неправильных ответов: ") + QString::number(wrong));
}

void Controller::Otchet(std::int32_t count) {
  MemoSink sink(*form_.reportBox);
  const ui::ReportBox::UpdateBlock batch(*form_.reportBox);
  WriteReport(Journal->File(), [this] { return Journal->Exists(); }, count, sink, RightCount);
}

}  // namespace miravel::run

#include "run/controller.h"

#include <QFile>
#include <QString>
#include <climits>
#include <string_view>

#include "run/grading.h"
#include "testdata/journal.h"
#include "testdata/test_file.h"
#include "ui/Unit1.h"
#include "ui/Unit2.h"
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

Controller::Controller(TForm1& form, os::Services& os) : form_(form), os_(os) {
  using ui::GuardedSlot;
  // Every connection ends with the controller (the windows may outlive it).
  QObject* const context = &connections_;
  QObject::connect(form_.Edit1, &QLineEdit::textChanged, context,
                   GuardedSlot([this] { Edit1Change(); }));
  QObject::connect(form_.Edit2, &QLineEdit::textChanged, context,
                   GuardedSlot([this] { Edit2Change(); }));
  QObject::connect(form_.Button1, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button1Click(); }));
  QObject::connect(form_.Button2, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button2Click(); }));
  QObject::connect(form_.Button3, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button3Click(); }));
  QObject::connect(form_.Button4, &QPushButton::clicked, context,
                   GuardedSlot([this] { Button4Click(); }));
  QObject::connect(&form_, &TForm1::closing, context, GuardedSlot([this] { FormCloseQuery(); }));
  QObject::connect(form_.TrackBar1, &ui::TrackBar::positionNotified, context,
                   GuardedSlot([this] { TrackBar1Change(); }));
  QObject::connect(form_.RadioGroup1->options(), &QButtonGroup::idToggled, context,
                   [this](int, bool checked) {
                     if (checked) ui::Guarded([this] { RadioGroup1Click(); });
                   });
  QObject::connect(form_.Timer1, &QTimer::timeout, context, GuardedSlot([this] { Timer1Timer(); }));
}

Controller::~Controller() = default;

void Controller::AttachPasswordDlg(TPasswordDlg& dlg) {
  password_dlg_ = &dlg;
  QObject::connect(dlg.OKBtn, &QPushButton::clicked, &connections_,
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
  form_.TrackBar1->setEnabled(false);
  form_.RadioGroup1->setEnabled(false);
}

std::string Controller::GetSpecialPath(std::uint16_t /*folder*/) {
  // The only folder the program asks for is the user's profile folder.
  return os_.ProfileFolder();
}

void Controller::FollowRegistration() {
  if (!form_.Edit1->text().isEmpty() && !form_.Edit2->text().isEmpty()) {
    form_.Button1->setEnabled(true);
    form_.Button1->setDefault(true);
  } else {
    form_.Button1->setEnabled(false);
  }
}

void Controller::Edit1Change() { FollowRegistration(); }

void Controller::Edit2Change() { FollowRegistration(); }

void Controller::Button1Click() {
  OpenTest();
  Group = Bytes(form_.Edit2->text());
  FullName = Bytes(form_.Edit1->text());
}

void Controller::OpenTest() {
  if (!form_.OpenDialog1->Execute()) return;
  TestFile = std::make_unique<ProfileFile>(QFile::encodeName(form_.OpenDialog1->FileName()).toStdString());
  const TestFileReader reader(*TestFile);
  form_.Label3->setText(Screen(reader.TestName()));
  form_.Label5->setText(Screen(reader.Description()));
  form_.Label8->setText(Screen(reader.Comments()));
  form_.Label11->setText(Screen(reader.QuestionCountText()));
  TimeLimit = reader.TimeMinutes();
  form_.Label12->setText(QString::number(TimeLimit));
  // The gauge counts seconds. A time whose seconds do not fit the gauge's
  // range is refused like a negative one, and the opening stops here.
  const std::int64_t seconds = std::int64_t{TimeLimit} * 60;
  form_.Gauge1->startCountdown(seconds);
  form_.Button2->setEnabled(true);
  form_.Button2->setDefault(true);
}

// --- the questions -----------------------------------------------------------

void Controller::Button2Click() {
  // A count of 2147483647 wraps round, as 32-bit arithmetic does, and a
  // maximum below the track bar's minimum is ignored.
  const auto count = static_cast<std::uint32_t>(QuestionCount(0));
  const auto last = static_cast<std::int32_t>(count + 1U);
  if (last >= form_.TrackBar1->minimum()) form_.TrackBar1->setMaximum(last);
  form_.GroupBox2->hide();
  form_.GroupBox1->hide();
  form_.TrackBar1->setEnabled(true);
  form_.RadioGroup1->setEnabled(true);
  next(form_.TrackBar1->value());
  form_.Button2->hide();
  form_.Button3->show();
  form_.Button4->setEnabled(false);
  form_.Button4->show();
  form_.Timer1->start();
}

void Controller::next(std::int32_t n) {
  const testdata::QuestionTexts question = TestFileReader(Test()).Question(n);
  form_.Label16->setText(Screen(question.text));
  form_.Label15->setText(QString::number(n));
  QStringList options;
  for (const Text& option : question.options) options << Screen(option);
  form_.RadioGroup1->setOptions(options);
  // A question answered before shows its recorded option, which runs
  // RadioGroup1Click.
  form_.RadioGroup1->checkOption(Journal->RecordedOption(n));
}

void Controller::ShowStudent() {
  form_.Label14->setText(Screen(FullName + '\r' + Group));
}

void Controller::TrackBar1Change() {
  const std::int32_t count = QuestionCount(0);
  const int position = form_.TrackBar1->value();
  if (count < position) {
    form_.Label16->setText(QStringLiteral(
        "Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов"));
    form_.Label15->hide();
    ShowStudent();
    form_.RadioGroup1->hide();
    form_.Button3->setText(kReportCaption);
    form_.TrackBar1->setEnabled(false);
    form_.Timer1->stop();
    form_.Button4->setEnabled(false);
    return;
  }
  form_.Button4->setEnabled(position != 1);
  next(position);
}

void Controller::Button3Click() {
  if (form_.Button3->text() != kReportCaption) {
    Scors(form_.TrackBar1->value());
  } else {
    if (TPasswordDlg* dlg = password_dlg_.data()) dlg->show();
    form_.Button3->setEnabled(false);
    // Asked again after the password window was closed: the track bar is
    // already disabled then, and nothing else on the screen changes.
    if (!form_.TrackBar1->isEnabled()) return;
  }
  form_.TrackBar1->setValue(Above(form_.TrackBar1->value()));
}

void Controller::Button4Click() {
  Scors(form_.TrackBar1->value());
  form_.TrackBar1->setValue(Below(form_.TrackBar1->value()));
}

void Controller::RadioGroup1Click() { form_.Button3->setDefault(true); }

void Controller::Timer1Timer() {
  const int progress = form_.Gauge1->value();
  if (progress >= 1) {
    form_.Gauge1->setValue(progress - 1);
    return;
  }
  form_.Timer1->stop();
  form_.Button3->setText(kReportCaption);
  Button3Click();
  form_.RadioGroup1->hide();
  form_.Label16->setText(QStringLiteral(
      "Ваше время истекло. Пригласите преподавателя для просмотра Ваших результатов"));
  form_.Label15->hide();
  form_.TrackBar1->setEnabled(false);
  ShowStudent();
  form_.Button4->setEnabled(false);
}

void Controller::FormCloseQuery() {
  if (Journal) Journal->Remove();
}

// --- the journal and the report ----------------------------------------------

void Controller::Scors(std::int32_t n) {
  Journal->Record(TestFile.get(), n, form_.RadioGroup1->options()->checkedId());
}

void Controller::OKBtnClick() { OpenReport(); }

void Controller::PasswordDlgClose() { form_.Button3->setEnabled(true); }

void Controller::OpenReport() {
  TPasswordDlg* dlg = password_dlg_.data();
  if (dlg == nullptr) return;
  const QString typed = dlg->Password->text();
  if (typed != QString::fromLatin1(kReportPassword.data(),
                                   static_cast<qsizetype>(kReportPassword.size()))) {
    // A wrong password: the window stays open; the answer shown is recorded
    // and the track bar moves one on.
    Scors(form_.TrackBar1->value());
    form_.TrackBar1->setValue(Above(form_.TrackBar1->value()));
    return;
  }
  dlg->hide();  // hidden, not closed: the report is on its way
  form_.Memo1->show();
  Otchet(QuestionCount(-1));
  form_.Label16->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  form_.Label17->show();
  form_.Label18->show();
  form_.Button4->setEnabled(false);
  form_.Timer1->stop();
  form_.Label16->setText(QStringLiteral("Итого:"));
  form_.Label17->setText(QStringLiteral("Правильных ответов: ") + QString::number(RightCount));
  const std::int64_t wrong = std::int64_t{QuestionCount(0)} - RightCount;
  form_.Label18->setText(QStringLiteral("Неправильных ответов: ") + QString::number(wrong));
}

void Controller::Otchet(std::int32_t count) {
  MemoSink sink(*form_.Memo1);
  const ui::ReportBox::UpdateBlock batch(*form_.Memo1);
  WriteReport(Journal->File(), [this] { return Journal->Exists(); }, count, sink, RightCount);
}

}  // namespace miravel::run

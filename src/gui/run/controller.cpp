// SPDX-License-Identifier: GPL-3.0-or-later
#include "run/controller.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPrinter>
#include <QSignalBlocker>
#include <QString>
#include <QStringList>
#include <QTextDocument>
#include <QTimer>
#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

#include "results/results_log.h"
#include "run/grading.h"
#include "run/report_output.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"

namespace miravel::run {
namespace {

// Windows-1251 text to the screen's Unicode, and back. A character typed that
// has no Windows-1251 form becomes "?".
// Every Windows-1251 byte is one UTF-16 unit, so the text is decoded in one
// pass, straight into the QString.
QString Screen(std::string_view text) {
  QString screen(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(screen.data());
  for (const char c : text) *out++ = static_cast<char16_t>(cp1251::ToUnicode(static_cast<unsigned char>(c)));
  return screen;
}
Text Bytes(const QString& text) { return cp1251::FromUtf8(text.toStdString()); }

// The report box as the report writes into it.
class ReportBoxSink : public ReportSink {
 public:
  explicit ReportBoxSink(ui::ReportBox& box) : box_(box) {}
  void SetColor(ReportColor color) override {
    const Rgb rgb = ToRgb(color);
    color_ = QColor(rgb.red, rgb.green, rgb.blue);
  }
  void AppendLine(const Text& line) override { box_.appendLine(Screen(line), color_); }

 private:
  ui::ReportBox& box_;
  QColor color_ = Qt::black;
};

// Sets a text only when it changes.
template <typename Widget>
void SetText(Widget* widget, const QString& text) {
  if (widget->text() != text) widget->setText(text);
}

// The title of the report on paper and in a PDF file's properties.
QString ReportTitle(const TestRun& run) {
  return QStringLiteral("Отчет: ") + Screen(run.fullName()) + QStringLiteral(", ") + Screen(run.group());
}

}  // namespace

struct Controller::ResultsReply {
  std::mutex mutex;
  Controller* controller = nullptr;  // nothing once the controller is gone
};

// Sees the main window's close before the window does, and holds it while
// the controller says it may not close yet.
class Controller::CloseGate : public QObject {
 public:
  explicit CloseGate(Controller& controller) : controller_(controller) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Close) return QObject::eventFilter(watched, event);
    // A failure while waiting is shown, and the close goes on.
    bool may_close = true;
    ui::Guarded([this, &may_close] { may_close = controller_.mayClose(); });
    if (may_close) return false;
    event->ignore();
    return true;
  }

 private:
  Controller& controller_;
};

Controller::Controller(ui::MainWindow& window, os::Services& os)
    : window_(window),
      run_(os),
      results_reply_(std::make_shared<ResultsReply>()),
      password_reply_(std::make_shared<ResultsReply>()) {
  results_reply_->controller = this;
  close_gate_ = std::make_unique<CloseGate>(*this);
  window_.installEventFilter(close_gate_.get());
  password_reply_->controller = this;
  using ui::GuardedSlot;
  // Every connection ends with the controller (the windows may outlive it).
  QObject* const context = &connections_;
  QObject::connect(window_.nameEdit, &QLineEdit::textChanged, context, GuardedSlot([this] { registrationChanged(); }));
  QObject::connect(window_.groupEdit, &QLineEdit::textChanged, context, GuardedSlot([this] { registrationChanged(); }));
  QObject::connect(window_.openButton, &QPushButton::clicked, context, GuardedSlot([this] { open(); }));
  QObject::connect(window_.startButton, &QPushButton::clicked, context, GuardedSlot([this] { start(); }));
  QObject::connect(window_.answerButton, &QPushButton::clicked, context, GuardedSlot([this] { answer(); }));
  QObject::connect(window_.backButton, &QPushButton::clicked, context, GuardedSlot([this] { back(); }));
  QObject::connect(&window_, &ui::MainWindow::closing, context, GuardedSlot([this] { close(); }));
  QObject::connect(window_.questionScale, &ui::TrackBar::positionNotified, context,
                   GuardedSlot([this] { moveScale(); }));
  QObject::connect(window_.optionGroup->options(), &QButtonGroup::idToggled, context, [this](int id, bool checked) {
    if (checked) ui::Guarded([this, id] { chooseOption(id); });
  });
  QObject::connect(window_.countdown, &QTimer::timeout, context, GuardedSlot([this] { tick(); }));
  QObject::connect(window_.saveReportAction, &QAction::triggered, context, GuardedSlot([this] { saveReport(); }));
  QObject::connect(window_.printReportAction, &QAction::triggered, context, GuardedSlot([this] { printReport(); }));
  show();
}

Controller::~Controller() {
  // A row still being written, or a password still being checked, reports
  // to no one.
  for (const std::shared_ptr<ResultsReply>& reply : {results_reply_, password_reply_}) {
    const std::lock_guard lock(reply->mutex);
    reply->controller = nullptr;
  }
}

void Controller::setResultsFolder(std::optional<std::filesystem::path> folder, ResultsWaits waits) {
  results_folder_ = std::move(folder);
  results_waits_ = waits;
}

void Controller::attachPasswordDialog(ui::ReportPasswordDialog& dialog) {
  password_dialog_ = &dialog;
  QObject::connect(dialog.okButton, &QPushButton::clicked, &connections_, ui::GuardedSlot([this] { enterPassword(); }));
  // Cancel, Esc and the close box reject the window.
  QObject::connect(&dialog, &QDialog::rejected, &connections_, ui::GuardedSlot([this] { passwordClosed(); }));
  // The note of the wait after wrong passwords counts down.
  QObject::connect(dialog.waitTimer, &QTimer::timeout, &connections_, ui::GuardedSlot([this] { show(); }));
  show();
}

template <typename Rule>
void Controller::act(Rule rule) {
  try {
    rule();
  } catch (...) {
    show();
    throw;
  }
  show();
}

// --- what the user does -----------------------------------------------------------

void Controller::registrationChanged() {
  act([this] { run_.RegistrationChanged(!window_.nameEdit->text().isEmpty(), !window_.groupEdit->text().isEmpty()); });
}

void Controller::open() {
  act([this] {
    std::optional<std::string> file;
    // The dialog gives "/" on every system; the run keeps the path as the
    // system writes it ("\" on Windows), in its messages too.
    if (window_.openDialog->Execute())
      file = QFile::encodeName(QDir::toNativeSeparators(window_.openDialog->FileName())).toStdString();
    run_.Open(file, Bytes(window_.nameEdit->text()), Bytes(window_.groupEdit->text()));
  });
}

void Controller::start() {
  act([this] { run_.Start(); });
}

void Controller::answer() {
  act([this] { run_.Answer(); });
}

void Controller::back() {
  act([this] { run_.Back(); });
}

void Controller::moveScale() {
  act([this] { run_.MoveScale(window_.questionScale->value()); });
}

void Controller::chooseOption(int index) {
  act([this, index] { run_.ChooseOption(index); });
}

void Controller::tick() {
  act([this] { run_.Tick(); });
}

void Controller::enterPassword() {
  ui::ReportPasswordDialog* dialog = password_dialog_.data();
  if (dialog == nullptr) return;
  // Not while a check is under way or the window waits after wrong ones.
  if (!run_.BeginPasswordCheck(PasswordTries::Clock::now())) return;
  show();
  // Checking a hash takes a quarter of a second: it runs beside the window,
  // on copies of the rule and the typed text, and its verdict is posted back.
  std::thread([reply = password_reply_, rule = run_.reportPassword(), typed = Bytes(dialog->passwordEdit->text())] {
    bool accepted = false;
    try {
      accepted = rule.Accepts(typed);
    } catch (...) {
      accepted = false;  // a check that fails opens nothing
    }
    const std::lock_guard lock(reply->mutex);
    if (Controller* controller = reply->controller) {
      QMetaObject::invokeMethod(
          &controller->connections_,
          [controller, accepted] { ui::Guarded([controller, accepted] { controller->passwordChecked(accepted); }); },
          Qt::QueuedConnection);
    }
  }).detach();
}

void Controller::passwordChecked(bool accepted) {
  act([this, accepted] {
    ReportBoxSink sink(*window_.reportBox);
    const ui::ReportBox::UpdateBlock batch(*window_.reportBox);
    run_.PasswordChecked(accepted, sink, PasswordTries::Clock::now());
  });
  if (run_.TakeResultRow()) appendResult();
}

void Controller::passwordClosed() {
  act([this] { run_.PasswordClosed(); });
}

void Controller::close() {
  act([this] { run_.Close(); });
}

// --- the report on paper and in the results log --------------------------------------

void Controller::saveReport() {
  if (!run_.report().save_enabled) return;
  ui::SaveDialog& dialog = *window_.saveDialog;
  if (!dialog.Execute(ReportFileName(run_))) return;
  const std::unique_ptr<QTextDocument> document = ReportDocument(run_, *window_.reportBox);
  SaveReportPdf(*document, dialog.FileName(), dialog.ReplaceConfirmed(), ReportTitle(run_));
}

void Controller::printReport() {
  if (!run_.report().print_enabled) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(ReportTitle(run_));
  printer.setCreator(ui::ApplicationTitle());
  if (!ui::PrintDialog::Execute(printer, &window_, QStringLiteral("Печать отчета"))) return;
  const std::unique_ptr<QTextDocument> document = ReportDocument(run_, *window_.reportBox);
  PrintReport(*document, printer);
  if (printer.printerState() == QPrinter::Error) throw std::runtime_error("Не удалось напечатать отчет");
}

void Controller::appendResult() {
  if (!results_folder_) return;
  // The row is made here, from the run; the thread has its own copy of all
  // it needs, and never waits on the window.
  std::thread([reply = results_reply_, folder = *results_folder_, row = results::RowOfRun(run_),
               lock_wait = results_waits_.lock] {
    std::string error;
    try {
      results::AppendRow(folder, row, lock_wait);
    } catch (const std::exception& e) {
      error = e.what();
      if (error.empty()) error = "Unexpected failure";
    } catch (...) {
      error = "Unexpected failure";
    }
    const std::lock_guard lock(reply->mutex);
    if (Controller* controller = reply->controller) {
      // Posted to the window's thread; dropped if the controller goes first.
      QMetaObject::invokeMethod(
          &controller->connections_,
          [controller, error] { ui::Guarded([controller, &error] { controller->resultAppended(error); }); },
          Qt::QueuedConnection);
    }
  }).detach();
  // Its end comes through the window's event loop, after this.
  ++rows_being_written_;
}

void Controller::resultAppended(const std::string& error) {
  --rows_being_written_;
  // A close that waits goes on once the error box (if any) is closed.
  if (close_wait_ != nullptr && rows_being_written_ == 0) close_wait_->quit();
  if (!error.empty()) throw std::runtime_error(error);
}

bool Controller::mayClose() {
  if (rows_being_written_ == 0) return true;
  if (close_wait_ != nullptr) return false;  // a close sent while an earlier one waits
  // The window goes on answering meanwhile; the row's end, or its error box,
  // comes through this loop.
  QEventLoop wait;
  close_wait_ = &wait;
  QTimer::singleShot(results_waits_.close, &wait, &QEventLoop::quit);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  wait.exec();
  QApplication::restoreOverrideCursor();
  close_wait_ = nullptr;
  if (rows_being_written_ > 0)
    throw std::runtime_error(
        results::NoAnswerMessage(results_folder_.value_or(std::filesystem::path()), results_waits_.close));
  return true;
}

// --- the run on the windows ------------------------------------------------------------

void Controller::show() {
  const TestRun& r = run_;
  showHeader(r.header());
  showQuestion(r.question());
  showReport(r.report());
  showButtons(r.buttons());
  showClock(r.clock());
  showPassword(r.password(PasswordTries::Clock::now()));
}

void Controller::showHeader(const HeaderView& v) {
  ui::MainWindow& w = window_;
  w.testInfoGroup->setVisible(v.shown);
  w.registrationGroup->setVisible(v.shown);
  SetText(w.testNameLabel, Screen(v.title));
  SetText(w.descriptionLabel, Screen(v.description));
  SetText(w.commentsLabel, Screen(v.comments));
  SetText(w.questionCountLabel, Screen(v.question_count));
  SetText(w.timeLabel, Screen(v.time));
}

void Controller::showQuestion(const QuestionView& v) {
  ui::MainWindow& w = window_;
  {
    const QSignalBlocker quiet(w.questionScale);
    w.questionScale->setRange(v.scale_minimum, v.scale_maximum);
    w.questionScale->setValue(v.position);
  }
  w.questionScale->setEnabled(v.scale_enabled);
  SetText(w.questionHeading, Screen(v.heading));
  SetText(w.questionNumberLabel, Screen(v.number));
  w.questionNumberLabel->setVisible(v.number_shown);
  const Qt::Alignment alignment = (v.text_centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
  if (w.questionLabel->alignment() != alignment) w.questionLabel->setAlignment(alignment);
  SetText(w.questionLabel, Screen(v.text));
  {
    const QSignalBlocker quiet(w.optionGroup->options());
    QStringList options;
    for (std::int32_t k = 0; k < v.option_count; ++k) options << Screen(v.options[static_cast<std::size_t>(k)]);
    if (w.optionGroup->optionTexts() != options) w.optionGroup->setOptions(options);
    if (w.optionGroup->options()->checkedId() != v.chosen) w.optionGroup->checkOption(v.chosen);
  }
  w.optionGroup->setEnabled(v.options_enabled);
  w.optionGroup->setVisible(v.options_shown);
}

void Controller::showReport(const ReportView& v) {
  ui::MainWindow& w = window_;
  w.reportBox->setVisible(v.box_shown);
  SetText(w.rightTotalLabel, Screen(v.right_total));
  SetText(w.wrongTotalLabel, Screen(v.wrong_total));
  w.rightTotalLabel->setVisible(v.totals_shown);
  w.wrongTotalLabel->setVisible(v.totals_shown);
  w.journalChangedLabel->setVisible(v.journal_changed_shown);
  // Saving and printing, once the report and its totals are shown.
  w.saveReportAction->setEnabled(v.save_enabled);
  w.printReportAction->setEnabled(v.print_enabled);
  w.reportBox->setContextMenuPolicy(v.save_enabled || v.print_enabled ? Qt::ActionsContextMenu : Qt::NoContextMenu);
}

void Controller::showButtons(const ButtonsView& v) {
  ui::MainWindow& w = window_;
  w.openButton->setEnabled(v.open_enabled);
  w.openButton->setDefault(v.open_default);
  w.startButton->setVisible(v.start_shown);
  w.startButton->setEnabled(v.start_enabled);
  w.startButton->setDefault(v.start_default);
  SetText(w.answerButton, Screen(v.answer_caption));
  w.answerButton->setEnabled(v.answer_enabled);
  w.answerButton->setDefault(v.answer_default);
  w.answerButton->setVisible(v.answer_shown);
  w.backButton->setEnabled(v.back_enabled);
  w.backButton->setVisible(v.back_shown);
}

void Controller::showClock(const ClockView& v) {
  ui::MainWindow& w = window_;
  if (w.timeGauge->maximum() != v.gauge_maximum) w.timeGauge->setRange(0, v.gauge_maximum);
  w.timeGauge->setValue(v.gauge_progress);
  if (v.running && !w.countdown->isActive()) w.countdown->start();
  if (!v.running && w.countdown->isActive()) w.countdown->stop();
}

void Controller::showPassword(const PasswordView& v) {
  // The password window; hidden, not closed, once the report is on its way.
  ui::ReportPasswordDialog* dialog = password_dialog_.data();
  if (dialog == nullptr) return;
  if (v.shown && !dialog->isVisible()) dialog->show();
  if (!v.shown && dialog->isVisible()) {
    dialog->hide();
    // The keyboard goes back to the main window (the report's Ctrl+S, Ctrl+P).
    window_.activateWindow();
  }
  using Wait = ui::ReportPasswordDialog::Wait;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(v.wait_left);
  dialog->showWait(v.checking ? Wait::kChecking : left.count() > 0 ? Wait::kAfterWrong : Wait::kNone, left);
}

}  // namespace miravel::run

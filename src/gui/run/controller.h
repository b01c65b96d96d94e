// SPDX-License-Identifier: GPL-3.0-or-later
// The run on the windows: turns what the user does on the main window and
// the password window into calls of the run (TestRun), and shows the run's
// state on them after every call.
//
// The run holds the stage and every value the windows show; the windows hold
// nothing of their own but what the user types. Each action runs through
// act(): the run's rule, then the windows brought up to date, also when the
// rule fails part way (the failure then goes on up to the guard where Qt
// called in, which shows the error box).
#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/os_services.h"
#include "results/results_log.h"
#include "run/test_run.h"

class QEventLoop;

namespace miravel::ui {
class MainWindow;
class ReportPasswordDialog;
}  // namespace miravel::ui

namespace miravel::run {

// How long the class results log may take: the wait for another program's
// lock on it, and the wait of a close for a row still being written.
struct ResultsWaits {
  std::chrono::milliseconds lock = results::kLockWait;
  std::chrono::milliseconds close = results::kLockWait + std::chrono::seconds(5);
};

class Controller {
 public:
  // The start of a run: sets up its journal (in the profile folder `os`
  // gives) and connects the main window's controls.
  Controller(ui::MainWindow& window, os::Services& os);
  ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Connects the password window, which is made after the main window.
  void attachPasswordDialog(ui::ReportPasswordDialog& dialog);

  // The folder of the class results log (results.csv), or nothing for no
  // log. Each report shown from then on adds its row there, written beside
  // the window so that a slow or hung share never holds it up; a failure is
  // shown in the error box, and the report stays. A close of the window
  // while the row is being written waits for it, the window still
  // answering, at most `waits.close`; a row not written by then, or whose
  // writing failed, is told in the error box before the window goes.
  void setResultsFolder(std::optional<std::filesystem::path> folder, ResultsWaits waits = {});

  const TestRun& run() const { return run_; }
  // The rule of the report password (the site configuration's).
  void setReportPassword(ReportPassword rule) { run_.SetReportPassword(std::move(rule)); }

  // What the user does, as the windows report it.
  void registrationChanged();
  void open();  // the open-file dialog, then the test's header
  void start();
  void answer();
  void back();
  void moveScale();
  void chooseOption(int index);
  void tick();
  void enterPassword();
  void passwordClosed();
  void saveReport();  // the save dialog, then the report as a PDF file
  void printReport();  // the print dialog, then the report on the printer
  void close();

  // Brings the windows up to date with the run, one group at a time.
  void show();

 private:
  void showHeader(const HeaderView& view);
  void showQuestion(const QuestionView& view);
  void showReport(const ReportView& view);
  void showButtons(const ButtonsView& view);
  void showClock(const ClockView& view);
  void showPassword(const PasswordView& view);
  template <typename Rule>
  void act(Rule rule);
  // Adds the shown report's row to the results log, off the window's thread.
  void appendResult();
  void resultAppended(const std::string& error);
  // Whether the window may close now: waits for a row being written first.
  bool mayClose();
  // The verdict of the password check, which runs off the window's thread.
  void passwordChecked(bool accepted);

  // What a thread beside the window (the writer of a row, the password
  // check) reports back to: the controller while it lives.
  struct ResultsReply;
  // Holds the window's close while a row is being written.
  class CloseGate;

  ui::MainWindow& window_;
  TestRun run_;
  QPointer<ui::ReportPasswordDialog> password_dialog_;  // may go before the controller
  QObject connections_;  // the context of every connection to the windows
  std::optional<std::filesystem::path> results_folder_;
  std::shared_ptr<ResultsReply> results_reply_;
  ResultsWaits results_waits_;
  int rows_being_written_ = 0;
  QEventLoop* close_wait_ = nullptr;  // while a close waits for the row
  std::unique_ptr<CloseGate> close_gate_;
  std::shared_ptr<ResultsReply> password_reply_;
};

}  // namespace miravel::run

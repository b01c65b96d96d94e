// The test run: the behaviour of the main window from its creation to its
// close, the report password check and the report.
//
// The controller holds the run state and the handlers of the windows'
// controls. It keeps no variable for the stage the run has reached: the stage
// is what the controls show, above all the caption of answerButton, which
// switches between answering ("Ответить") and asking for the report ("Отчет").
//
// Handlers call one another as plain C++ calls; a control's setter runs a
// handler at once through the failure guard (the track bar's value runs
// TrackBar1Change, the option group's choice runs RadioGroup1Click). A
// failure is an exception that ends every handler on its way up to the guard
// where Qt called in.
#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "testdata/journal.h"

namespace miravel::ui {
class MainWindow;
class ReportPasswordDialog;
}  // namespace miravel::ui

namespace miravel::run {

class Controller {
 public:
  // Wires the handlers to the main window's controls. `os` serves the
  // profile folder, the date, the random number and the file operations.
  Controller(ui::MainWindow& form, os::Services& os);
  ~Controller();
  Controller(const Controller&) = delete;
  Controller& operator=(const Controller&) = delete;

  // Wires the password window's OK and its rejection; it is made after the
  // main window, so it comes later.
  void AttachPasswordDlg(ui::ReportPasswordDialog& dlg);

  // --- run state ---------------------------------------------------------
  std::unique_ptr<ProfileFile> TestFile;  // the test open now; none until the first opening
  std::unique_ptr<testdata::AnswerJournal> Journal;  // this run's answer journal, set up at FormCreate
  std::string ProfilePath;                // the journal's folder
  Text FullName;                          // nameEdit at the last click on openButton
  Text Group;                             // groupEdit at the last click on openButton
  std::int32_t TimeLimit = 0;             // minutes, as read at the last opening
  std::int32_t RightCount = 0;            // right answers, raised by the report

  // --- handlers of the main window ---------------------------------------
  void FormCreate();
  void Edit1Change();
  void Edit2Change();
  void Button1Click();
  void OpenTest();
  void Button2Click();
  void next(std::int32_t n);  // shows question n
  void TrackBar1Change();
  void Button3Click();
  void Button4Click();
  void RadioGroup1Click();
  void Timer1Timer();
  void FormCloseQuery();

  // --- the journal, the report and its access ----------------------------
  std::string GetSpecialPath(std::uint16_t folder);
  void Scors(std::int32_t n);      // records the answer shown for question n
  void OpenReport();               // checks the password, shows the report
  void Otchet(std::int32_t count);  // grades and writes the report into reportBox

  // --- handlers of the password window -----------------------------------
  void OKBtnClick();
  // The password window was rejected (Cancel, Esc or its close box) without
  // the report being shown: the report can be asked for again.
  void PasswordDlgClose();

  // The report password.
  static constexpr std::string_view kReportPassword = "407152";

 private:
  // The edit boxes' rule, shared by Edit1Change and Edit2Change.
  void FollowRegistration();
  // The end screen's name and group on questionHeading.
  void ShowStudent();
  // The question count as an integer, with the caller's default.
  std::int32_t QuestionCount(std::int32_t def) const;
  // The open test, or an empty file when none is open.
  const ProfileFile& Test() const;

  ui::MainWindow& form_;
  os::Services& os_;
  QPointer<ui::ReportPasswordDialog> password_dlg_;  // may go before the controller
  ProfileFile no_test_{std::string()};
  QObject connections_;  // the context of every connection to the windows
};

}  // namespace miravel::run

// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: registration, the test header, the questions, the time
// gauge, the report and the status line. The form (main_window.ui) designs
// every control: its place, caption, hint, buddy, accessible name and the tab
// order; this class adds what a form cannot say (fonts, colours, the strip
// layouts, the timer and the dialogs). What the run holds (the test's texts,
// the question area, which controls are shown and enabled) the run's
// controller shows. The controls keep the program's control names as their
// objectNames (docs/object-names.md).
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "ui/controls/edits.h"
#include "ui/controls/gauge.h"
#include "ui/controls/mnemonic_label.h"
#include "ui/controls/option_group.h"
#include "ui/controls/report_box.h"
#include "ui/controls/track_bar.h"
#include "ui/dialogs.h"

namespace Ui {
class MainWindow;
}

namespace miravel::ui {

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  MainWindow();
  ~MainWindow() override;

  // The controls of the form, by what they are for, in creation order within
  // each container.
  QWidget* body;  // the whole client area
  // Registration: the student's name and group, and opening a test.
  QGroupBox* registrationGroup;
  MnemonicLabel* nameLabel;
  MnemonicLabel* groupLabel;
  QLineEdit* nameEdit;
  UpperCaseEdit* groupEdit;
  QPushButton* openButton;
  // The strip at the bottom: the buttons of the run and the time gauge.
  QWidget* buttonStrip;
  QPushButton* startButton;
  QPushButton* answerButton;  // "Ответить", then "Отчет" at the end
  QPushButton* backButton;
  QWidget* gaugePanel;
  Gauge* timeGauge;
  // The header of the open test.
  QGroupBox* testInfoGroup;
  MnemonicLabel* testNameHeading;
  MnemonicLabel* descriptionHeading;
  MnemonicLabel* commentsHeading;
  MnemonicLabel* timeHeading;
  MnemonicLabel* questionCountHeading;
  MnemonicLabel* questionCountLabel;
  MnemonicLabel* timeLabel;  // the test time in minutes
  MnemonicLabel* minutesLabel;
  QWidget* testNamePanel;
  MnemonicLabel* testNameLabel;
  QWidget* descriptionPanel;
  MnemonicLabel* descriptionLabel;
  QWidget* commentsPanel;
  MnemonicLabel* commentsLabel;
  // The question area, which takes the window once a test starts.
  QWidget* questionArea;
  MnemonicLabel* questionHeading;  // "Вопрос №"; the student's name and group at the end
  MnemonicLabel* questionNumberLabel;
  TrackBar* questionScale;
  QGroupBox* questionGroup;
  MnemonicLabel* questionLabel;  // the question; the end messages; "Итого:" over the totals
  MnemonicLabel* rightTotalLabel;
  MnemonicLabel* wrongTotalLabel;
  // Beside the totals, in red, when the answer journal was changed behind
  // the run's back.
  MnemonicLabel* journalChangedLabel;
  OptionGroup* optionGroup;
  ReportBox* reportBox;
  QStatusBar* statusBar;
  std::unique_ptr<OpenDialog> openDialog;
  QTimer* countdown;  // one tick a second while the test runs
  // Once the report is shown: saving it as a PDF file and printing it, in
  // the report box's context menu and on Ctrl+S and Ctrl+P.
  QAction* saveReportAction;
  QAction* printReportAction;
  std::unique_ptr<SaveDialog> saveDialog;

 signals:
  // The window is asked to close; it closes once the handlers have run.
  void closing();

 protected:
  // The status line shows the hint (status tip) of the control under the
  // mouse pointer, or of its container while it is disabled. Qt tells it when
  // the pointer moves; when a control with a hint is enabled or disabled,
  // shown, hidden, moved or resized, the line is brought up to date at the
  // next pass of the event loop for a pointer that rests.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Enter clicks the default button (see ui/controls/default_button.h).
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Sends the hint of the control under the pointer, as the pointer's
  // arrival there does, when the pointer is over this window.
  void showHintUnderPointer();
  std::unique_ptr<::Ui::MainWindow> form_;
  QTimer* hintUpdate_;  // zero-time, single-shot
};

}  // namespace miravel::ui

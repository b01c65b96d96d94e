// The main window: registration, the test header, the questions, the time
// gauge, the report and the status line. This class builds the window with
// every control in its starting state; the run itself drives the controls
// through the handlers it attaches to them.
#pragma once

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
#include "ui/controls/report_box.h"
#include "ui/controls/open_dialog.h"
#include "ui/controls/option_group.h"
#include "ui/controls/track_bar.h"

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  TForm1();
  ~TForm1() override;

  // The controls, by their names, in creation order within each container.
  QWidget* Panel1;
  QGroupBox* GroupBox1;
  miravel::ui::MnemonicLabel* Label1;
  miravel::ui::MnemonicLabel* Label2;
  QLineEdit* Edit1;
  miravel::ui::UpperCaseEdit* Edit2;
  QPushButton* Button1;
  QWidget* Panel2;
  QPushButton* Button2;
  QPushButton* Button3;
  QPushButton* Button4;
  QWidget* Panel7;
  miravel::ui::Gauge* Gauge1;
  QGroupBox* GroupBox2;
  miravel::ui::MnemonicLabel* Label4;
  miravel::ui::MnemonicLabel* Label6;
  miravel::ui::MnemonicLabel* Label7;
  miravel::ui::MnemonicLabel* Label9;
  miravel::ui::MnemonicLabel* Label10;
  miravel::ui::MnemonicLabel* Label11;
  miravel::ui::MnemonicLabel* Label12;
  miravel::ui::MnemonicLabel* Label13;
  QWidget* Panel3;
  miravel::ui::MnemonicLabel* Label3;
  QWidget* Panel4;
  miravel::ui::MnemonicLabel* Label5;
  QWidget* Panel5;
  miravel::ui::MnemonicLabel* Label8;
  QWidget* Panel6;
  miravel::ui::MnemonicLabel* Label14;
  miravel::ui::MnemonicLabel* Label15;
  miravel::ui::TrackBar* TrackBar1;
  QGroupBox* GroupBox3;
  miravel::ui::MnemonicLabel* Label16;
  miravel::ui::MnemonicLabel* Label17;
  miravel::ui::MnemonicLabel* Label18;
  miravel::ui::OptionGroup* RadioGroup1;
  miravel::ui::ReportBox* Memo1;
  QStatusBar* StatusBar1;
  std::unique_ptr<miravel::ui::OpenDialog> OpenDialog1;
  QTimer* Timer1;

 signals:
  // The window is asked to close; it closes once the handlers have run.
  void closing();

 protected:
  // The status line shows the hint (status tip) of the control under the
  // mouse pointer, or of its container while it is disabled.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Enter clicks the default button (see ui/controls/default_button.h).
  void keyPressEvent(QKeyEvent* event) override;
};

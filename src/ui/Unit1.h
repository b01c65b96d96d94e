// The main window: registration, the test header, the questions, the time
// gauge, the report and the status line. This class builds the window with
// every control in its starting state; the run itself drives the controls
// through the handlers it attaches to them.
#pragma once

#include <QLineEdit>
#include <functional>
#include <memory>

#include "ui/controls/containers.h"
#include "ui/controls/edits.h"
#include "ui/controls/form.h"
#include "ui/controls/gauge.h"
#include "ui/controls/label.h"
#include "ui/controls/memo.h"
#include "ui/controls/open_dialog.h"
#include "ui/controls/push_button.h"
#include "ui/controls/radio_group.h"
#include "ui/controls/status_hint.h"
#include "ui/controls/timer.h"
#include "ui/controls/track_bar.h"

class TForm1 : public miravel::ui::Form {
  Q_OBJECT

 public:
  TForm1();
  ~TForm1() override;

  // Runs when the window is asked to close; the window then closes.
  std::function<void()> OnCloseQuery;

  // The controls, by their names, in creation order within each container.
  miravel::ui::Panel* Panel1;
  miravel::ui::GroupBox* GroupBox1;
  miravel::ui::Label* Label1;
  miravel::ui::Label* Label2;
  QLineEdit* Edit1;
  miravel::ui::UpperCaseEdit* Edit2;
  miravel::ui::PushButton* Button1;
  miravel::ui::Panel* Panel2;
  miravel::ui::PushButton* Button2;
  miravel::ui::PushButton* Button3;
  miravel::ui::PushButton* Button4;
  miravel::ui::Panel* Panel7;
  miravel::ui::Gauge* Gauge1;
  miravel::ui::GroupBox* GroupBox2;
  miravel::ui::Label* Label4;
  miravel::ui::Label* Label6;
  miravel::ui::Label* Label7;
  miravel::ui::Label* Label9;
  miravel::ui::Label* Label10;
  miravel::ui::Label* Label11;
  miravel::ui::Label* Label12;
  miravel::ui::Label* Label13;
  miravel::ui::Panel* Panel3;
  miravel::ui::Label* Label3;
  miravel::ui::Panel* Panel4;
  miravel::ui::Label* Label5;
  miravel::ui::Panel* Panel5;
  miravel::ui::Label* Label8;
  miravel::ui::Panel* Panel6;
  miravel::ui::Label* Label14;
  miravel::ui::Label* Label15;
  miravel::ui::TrackBar* TrackBar1;
  miravel::ui::GroupBox* GroupBox3;
  miravel::ui::Label* Label16;
  miravel::ui::Label* Label17;
  miravel::ui::Label* Label18;
  miravel::ui::RadioGroup* RadioGroup1;
  miravel::ui::RichMemo* Memo1;
  miravel::ui::StatusBar* StatusBar1;
  std::unique_ptr<miravel::ui::OpenDialog> OpenDialog1;
  miravel::ui::Timer* Timer1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  miravel::ui::HintTracker* hints_;
};

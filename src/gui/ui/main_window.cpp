// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QStatusTipEvent>

#include "ui/controls/default_button.h"
#include "ui/controls/strip_layout.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icon.h"
#include "ui/window_frame.h"
#include "ui_main_window.h"

namespace ui = miravel::ui;
using Place = ui::StripLayout::Place;

namespace {

// Lays out `container`'s children by the places given.
void LayOut(QWidget* container, std::initializer_list<std::pair<QWidget*, Place>> places) {
  auto* layout = new ui::StripLayout(container);
  for (const auto& [widget, place] : places) layout->addWidget(widget, place);
}

QFont Bold(QFont font) {
  font.setBold(true);
  return font;
}

// To a screen reader the main window is a window, not a plain client area.
QAccessibleInterface* MainWindowAccessible(const QString& class_name, QObject* object) {
  if (class_name == QLatin1String(ui::MainWindow::staticMetaObject.className()) && object->isWidgetType())
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
  return nullptr;
}

void SetTextColor(QWidget* control, const QColor& color) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::WindowText, color);
  control->setPalette(palette);
}

}  // namespace

namespace miravel::ui {

MainWindow::MainWindow() : form_(std::make_unique<::Ui::MainWindow>()) {
  static const bool accessible_as_window = (QAccessible::installFactory(MainWindowAccessible), true);
  static_cast<void>(accessible_as_window);
  form_->setupUi(this);
  SetUpFixedFrame(*this, Qt::Window, QSize(462, 424));
  setWindowIcon(AppIcon());
  setFont(WindowFont());
  move(439, 449);  // the designed place; the window is not centred

  const ::Ui::MainWindow& f = *form_;
  body = f.Panel1;
  registrationGroup = f.GroupBox1;
  nameLabel = f.Label1;
  groupLabel = f.Label2;
  nameEdit = f.Edit1;
  groupEdit = f.Edit2;
  openButton = f.Button1;
  buttonStrip = f.Panel2;
  startButton = f.Button2;
  answerButton = f.Button3;
  backButton = f.Button4;
  gaugePanel = f.Panel7;
  timeGauge = f.Gauge1;
  testInfoGroup = f.GroupBox2;
  testNameHeading = f.Label4;
  descriptionHeading = f.Label6;
  commentsHeading = f.Label7;
  timeHeading = f.Label9;
  questionCountHeading = f.Label10;
  questionCountLabel = f.Label11;
  timeLabel = f.Label12;
  minutesLabel = f.Label13;
  testNamePanel = f.Panel3;
  testNameLabel = f.Label3;
  descriptionPanel = f.Panel4;
  descriptionLabel = f.Label5;
  commentsPanel = f.Panel5;
  commentsLabel = f.Label8;
  questionArea = f.Panel6;
  questionHeading = f.Label14;
  questionNumberLabel = f.Label15;
  questionScale = f.TrackBar1;
  questionGroup = f.GroupBox3;
  questionLabel = f.Label16;
  rightTotalLabel = f.Label17;
  wrongTotalLabel = f.Label18;
  journalChangedLabel = f.JournalChangedLabel;
  optionGroup = f.RadioGroup1;
  reportBox = f.Memo1;
  statusBar = f.StatusBar1;

  // The fonts: the larger one for the test's header and the question area,
  // bold for the header's headings.
  testInfoGroup->setFont(LargerFont());
  const QFont heading = Bold(LargerFont());
  for (MnemonicLabel* l : {testNameHeading, descriptionHeading, commentsHeading, timeHeading, questionCountHeading})
    l->setFont(heading);
  questionArea->setFont(LargerFont());
  rightTotalLabel->setFont(LargerFont());
  wrongTotalLabel->setFont(LargerFont());
  journalChangedLabel->setFont(heading);
  statusBar->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  // The palette's link colour: blue in the standard palette, and a blue that
  // stays readable in a dark one.
  rightTotalLabel->setForegroundRole(QPalette::Link);
  SetTextColor(wrongTotalLabel, Qt::red);
  SetTextColor(journalChangedLabel, Qt::red);

  // The layouts, once every control stands where the form puts it: the
  // strips take their fixed heights, the labels the size of their texts.
  registrationGroup->setFixedHeight(97);
  testInfoGroup->setFixedHeight(272);
  buttonStrip->setFixedHeight(57);
  statusBar->setFixedHeight(19);
  questionScale->setFixedHeight(45);
  questionGroup->setFixedHeight(79);
  LayOut(registrationGroup, {{nameLabel, Place::Corner}, {groupLabel, Place::Corner}});
  LayOut(gaugePanel, {{timeGauge, Place::Fill}});
  LayOut(testNamePanel, {{testNameLabel, Place::Fill}});
  LayOut(descriptionPanel, {{descriptionLabel, Place::Fill}});
  LayOut(commentsPanel, {{commentsLabel, Place::Fill}});
  LayOut(testInfoGroup, {{testNameHeading, Place::Corner},
                         {descriptionHeading, Place::Corner},
                         {commentsHeading, Place::Corner},
                         {timeHeading, Place::Corner},
                         {questionCountHeading, Place::Corner},
                         {questionCountLabel, Place::Corner},
                         {timeLabel, Place::Corner},
                         {minutesLabel, Place::Corner}});
  LayOut(questionGroup, {{questionLabel, Place::Fill},
                         {rightTotalLabel, Place::Corner},
                         {wrongTotalLabel, Place::Corner},
                         {journalChangedLabel, Place::Corner}});
  LayOut(questionArea, {{questionScale, Place::Top},
                        {questionHeading, Place::Top},
                        {questionGroup, Place::Top},
                        {optionGroup, Place::Fill},
                        {reportBox, Place::Fill},
                        {questionNumberLabel, Place::Corner}});
  LayOut(body, {{registrationGroup, Place::Top},
                {testInfoGroup, Place::Top},
                {statusBar, Place::Bottom},
                {buttonStrip, Place::Bottom},
                {questionArea, Place::Fill}});

  openDialog = std::make_unique<OpenDialog>(this, QStringLiteral("OpenDialog1"), QStringLiteral("Файл теста|*.DLL"));
  countdown = new QTimer(this);
  countdown->setObjectName(QStringLiteral("Timer1"));
  countdown->setInterval(1000);
  countdown->setTimerType(Qt::PreciseTimer);

  // Saving and printing the report: disabled, and out of the report box's
  // context menu, until the report is shown.
  saveReportAction = new QAction(QStringLiteral("&Сохранить отчет…"), this);
  saveReportAction->setObjectName(QStringLiteral("SaveReport"));
  saveReportAction->setShortcut(QKeySequence::Save);
  saveReportAction->setStatusTip(QStringLiteral("Сохраняет отчет в файл PDF"));
  printReportAction = new QAction(QStringLiteral("&Печать…"), this);
  printReportAction->setObjectName(QStringLiteral("PrintReport"));
  printReportAction->setShortcut(QKeySequence::Print);
  printReportAction->setStatusTip(QStringLiteral("Печатает отчет"));
  for (QAction* action : {saveReportAction, printReportAction}) {
    action->setShortcutContext(Qt::WindowShortcut);
    action->setEnabled(false);
    reportBox->addAction(action);
  }
  saveDialog = std::make_unique<SaveDialog>(this, QStringLiteral("SaveDialog1"), QStringLiteral("Сохранить отчет"),
                                            QStringLiteral("Документ PDF|*.pdf"), QStringLiteral("pdf"));

  // What a screen reader says besides the names the form gives: every hint
  // describes its control. The question label keeps its text as its name,
  // so that a new question is announced as the label's name change.
  for (QWidget* control : findChildren<QWidget*>())
    if (!control->statusTip().isEmpty()) control->setAccessibleDescription(control->statusTip());
  nameEdit->setFocus(Qt::OtherFocusReason);

  // A disabled control shows no hint of its own, and a change under a
  // resting pointer updates the status line (see eventFilter).
  hintUpdate_ = new QTimer(this);
  hintUpdate_->setSingleShot(true);
  hintUpdate_->setInterval(0);
  connect(hintUpdate_, &QTimer::timeout, this, &MainWindow::showHintUnderPointer);
  for (QWidget* control : findChildren<QWidget*>())
    if (!control->statusTip().isEmpty()) control->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    statusBar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QWidget::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
      if (!hintUpdate_->isActive()) hintUpdate_->start();
      break;
    default: break;
  }
  if (event->type() == QEvent::StatusTip) {
    const auto* control = static_cast<QWidget*>(watched);
    if (!control->isEnabled() && !static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
      // The pointer counts as over the control's container.
      QString tip;
      for (const QWidget* w = control->parentWidget(); w != nullptr && tip.isEmpty() && w != this;
           w = w->parentWidget())
        tip = w->statusTip();
      statusBar->showMessage(tip);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::showHintUnderPointer() {
  // The controls where the layouts put them once the change is laid out.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  QWidget* under = QApplication::widgetAt(QCursor::pos());
  if (under == nullptr || under->window() != this) return;  // leaving the window emptied the line
  // The innermost control with a hint; the filter above passes a disabled
  // one over to its container, and the window shows what comes.
  QWidget* hinted = under;
  while (hinted != this && hinted->statusTip().isEmpty()) hinted = hinted->parentWidget();
  QStatusTipEvent tip(hinted->statusTip());
  QCoreApplication::sendEvent(hinted, &tip);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  emit closing();
  event->accept();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  // Keys reach the window when the focused control did not take them.
  if (ui::IsPlainEnter(*event)) {
    if (QPushButton* button = ui::ButtonForEnter(*this)) {
      event->accept();
      button->click();
      return;
    }
  }
  QWidget::keyPressEvent(event);
}

}  // namespace miravel::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStatusTipEvent>
#include <limits>

#include "ui/controls/default_button.h"
#include "ui/controls/strip_layout.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/icon.h"
#include "ui/window_frame.h"

namespace ui = miravel::ui;
using Place = ui::StripLayout::Place;

namespace {

template <typename T>
T* Make(QWidget* parent, const char* name, QRect geometry) {
  T* control = new T(parent);
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(geometry);
  return control;
}

ui::MnemonicLabel* MakeLabel(QWidget* parent, const char* name, QRect geometry, const QString& caption) {
  auto* label = Make<ui::MnemonicLabel>(parent, name, geometry);
  label->setText(caption);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                        const QString& hint) {
  auto* button = Make<QPushButton>(parent, name, geometry);
  button->setText(caption);
  // The window's Enter rule clicks a focused button (default_button.h).
  button->setAutoDefault(false);
  button->setStatusTip(hint);
  return button;
}

// A panel shows the background of what it lies on.
QWidget* MakePanel(QWidget* parent, const char* name, QRect geometry) { return Make<QWidget>(parent, name, geometry); }

// A group box covers what lies behind it (the information group covers the
// gauge's frame until a test starts).
QGroupBox* MakeGroupBox(QWidget* parent, const char* name, QRect geometry) {
  auto* box = Make<QGroupBox>(parent, name, geometry);
  box->setAutoFillBackground(true);
  return box;
}

// Lays out `container`'s children by the places given.
void LayOut(QWidget* container, std::initializer_list<std::pair<QWidget*, Place>> places) {
  auto* layout = new ui::StripLayout(container);
  for (const auto& [widget, place] : places) layout->addWidget(widget, place);
}

QFont Bold(QFont font) {
  font.setBold(true);
  return font;
}

// A screen reader names `control` by its label (the label's buddy): the
// label's caption without its dot leader.
void LabelFor(ui::MnemonicLabel* label, QWidget* control) {
  label->setBuddy(control);
  static const QRegularExpression dot_leader(QStringLiteral(R"(\s+\.{3,}\s*$)"));
  control->setAccessibleName(label->text().remove(dot_leader));
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

MainWindow::MainWindow() {
  static const bool accessible_as_window = (QAccessible::installFactory(MainWindowAccessible), true);
  static_cast<void>(accessible_as_window);
  setObjectName(QStringLiteral("Form1"));
  ui::SetUpFixedFrame(*this, Qt::Window, QSize(462, 424));
  setWindowTitle(ui::ApplicationTitle());
  setWindowIcon(ui::AppIcon());
  setFont(ui::WindowFont());
  move(439, 449);  // the designed place; the window is not centred

  const QString not_chosen = QStringLiteral("---тест не выбран---");

  body = MakePanel(this, "Panel1", {0, 0, 462, 424});

  // Registration group.
  registrationGroup = MakeGroupBox(body, "GroupBox1", {0, 0, 462, 97});
  registrationGroup->setTitle(QStringLiteral("Регистрация пользователя"));
  nameLabel =
      MakeLabel(registrationGroup, "Label1", {8, 24, 120, 13}, QStringLiteral("Ф.И.О. ..........................."));
  groupLabel =
      MakeLabel(registrationGroup, "Label2", {8, 56, 122, 13}, QStringLiteral("№ группы ......................."));
  nameEdit = Make<QLineEdit>(registrationGroup, "Edit1", {136, 16, 289, 21});
  nameEdit->setMaxLength(std::numeric_limits<int>::max());
  nameEdit->setStatusTip(QStringLiteral("Введите свою фмилию, имя, отчество"));
  groupEdit = Make<ui::UpperCaseEdit>(registrationGroup, "Edit2", {136, 48, 121, 21});
  groupEdit->setMaxLength(std::numeric_limits<int>::max());
  groupEdit->setStatusTip(QStringLiteral("Введите свою группу"));
  openButton = MakeButton(registrationGroup, "Button1", {288, 48, 137, 25}, QStringLiteral("Открыть"),
                          QStringLiteral("Открывает файл теста"));
  openButton->setEnabled(false);

  // Button strip with the gauge frame.
  buttonStrip = MakePanel(body, "Panel2", {0, 348, 462, 57});
  startButton = MakeButton(buttonStrip, "Button2", {256, 25, 75, 25}, QStringLiteral("Начать"),
                           QStringLiteral("Начать выполнение теста"));
  startButton->setEnabled(false);
  answerButton = MakeButton(buttonStrip, "Button3", {336, 25, 75, 25}, QStringLiteral("Ответить"),
                            QStringLiteral("Ответить на вопрос"));
  answerButton->hide();
  backButton = MakeButton(buttonStrip, "Button4", {96, 25, 75, 25}, QStringLiteral("<< Назад"),
                          QStringLiteral("Перейти к предыдущему вопросу"));
  backButton->hide();
  gaugePanel = MakePanel(buttonStrip, "Panel7", {6, 3, 449, 17});
  timeGauge = Make<ui::Gauge>(gaugePanel, "Gauge1", {0, 0, 449, 17});
  timeGauge->setStatusTip(QStringLiteral("Оценка оставшегося времени"));

  // Test information group.
  testInfoGroup = MakeGroupBox(body, "GroupBox2", {0, 97, 462, 272});
  testInfoGroup->setTitle(QStringLiteral("Информация о тесте"));
  testInfoGroup->setFont(ui::LargerFont());
  const QFont heading = Bold(ui::LargerFont());
  testNameHeading = MakeLabel(testInfoGroup, "Label4", {8, 32, 121, 16}, QStringLiteral("Название теста"));
  descriptionHeading = MakeLabel(testInfoGroup, "Label6", {8, 72, 74, 16}, QStringLiteral("Описание"));
  commentsHeading = MakeLabel(testInfoGroup, "Label7", {8, 128, 200, 16}, QStringLiteral("Коментарии к выполнению"));
  timeHeading = MakeLabel(testInfoGroup, "Label9", {8, 208, 210, 16}, QStringLiteral("Время на выполнение теста"));
  timeHeading->setStatusTip(QStringLiteral("Время в минутах на выполнение теста"));
  questionCountHeading =
      MakeLabel(testInfoGroup, "Label10", {8, 184, 227, 16}, QStringLiteral("Количество вопросов в тесте:"));
  questionCountHeading->setStatusTip(QStringLiteral("Количество вопросов"));
  for (ui::MnemonicLabel* l : {testNameHeading, descriptionHeading, commentsHeading, timeHeading, questionCountHeading})
    l->setFont(heading);
  questionCountLabel = MakeLabel(testInfoGroup, "Label11", {240, 184, 14, 16}, QStringLiteral("00"));
  timeLabel = MakeLabel(testInfoGroup, "Label12", {240, 208, 14, 16}, QStringLiteral("00"));
  minutesLabel = MakeLabel(testInfoGroup, "Label13", {264, 208, 40, 16}, QStringLiteral("минут"));
  testNamePanel = MakePanel(testInfoGroup, "Panel3", {8, 48, 433, 17});
  testNameLabel = MakeLabel(testNamePanel, "Label3", {0, 0, 433, 17}, not_chosen);
  testNameLabel->setStatusTip(QStringLiteral("Название теста"));
  descriptionPanel = MakePanel(testInfoGroup, "Panel4", {8, 88, 433, 41});
  descriptionLabel = MakeLabel(descriptionPanel, "Label5", {0, 0, 433, 41}, not_chosen);
  descriptionLabel->setStatusTip(QStringLiteral("Описание теста"));
  descriptionLabel->setWordWrap(true);
  commentsPanel = MakePanel(testInfoGroup, "Panel5", {8, 144, 433, 41});
  commentsLabel = MakeLabel(commentsPanel, "Label8", {0, 0, 433, 41}, not_chosen);
  commentsLabel->setWordWrap(true);

  // Question area: no room until both groups above are hidden.
  questionArea = MakePanel(body, "Panel6", {0, 369, 462, 0});
  questionArea->setFont(ui::LargerFont());
  questionHeading = MakeLabel(questionArea, "Label14", {0, 45, 462, 16}, QStringLiteral("Вопрос №"));
  questionHeading->setStatusTip(QStringLiteral("Порядковый номер вопроса"));
  questionNumberLabel = MakeLabel(questionArea, "Label15", {64, 45, 14, 16}, QStringLiteral("15"));
  questionScale = Make<ui::TrackBar>(questionArea, "TrackBar1", {0, 0, 462, 45});
  questionScale->setRange(1, 10);
  questionScale->setValue(1);
  questionScale->setStatusTip(QStringLiteral("Шкала вопросов"));
  questionGroup = MakeGroupBox(questionArea, "GroupBox3", {0, 61, 462, 79});
  questionLabel = MakeLabel(questionGroup, "Label16", {2, 18, 458, 59}, QStringLiteral("Label16"));
  questionLabel->setStatusTip(QStringLiteral("Наименование вопроса"));
  questionLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  questionLabel->setWordWrap(true);
  rightTotalLabel = MakeLabel(questionGroup, "Label17", {8, 32, 137, 16}, QStringLiteral("Правильных ответов"));
  rightTotalLabel->setFont(ui::LargerFont());
  // The palette's link colour: blue in the standard palette, and a blue that
  // stays readable in a dark one.
  rightTotalLabel->setForegroundRole(QPalette::Link);
  rightTotalLabel->hide();
  wrongTotalLabel = MakeLabel(questionGroup, "Label18", {8, 56, 153, 16}, QStringLiteral("Неправильных ответов"));
  wrongTotalLabel->setFont(ui::LargerFont());
  SetTextColor(wrongTotalLabel, Qt::red);
  wrongTotalLabel->hide();
  journalChangedLabel = MakeLabel(questionGroup, "JournalChangedLabel", {208, 32, 246, 32},
                                  QStringLiteral("Внимание: журнал ответов\nизменен в обход программы"));
  journalChangedLabel->setFont(Bold(ui::LargerFont()));
  SetTextColor(journalChangedLabel, Qt::red);
  journalChangedLabel->setAccessibleName(QStringLiteral("Внимание: журнал ответов изменен в обход программы"));
  journalChangedLabel->hide();
  optionGroup = Make<ui::OptionGroup>(questionArea, "RadioGroup1", {0, 140, 462, 3});
  optionGroup->setTitle(QStringLiteral("Варианты ответов"));
  optionGroup->setStatusTip(QStringLiteral("Варианты ответов"));
  reportBox = Make<ui::ReportBox>(questionArea, "Memo1", {0, 140, 462, 3});
  reportBox->setStatusTip(QStringLiteral("Результаты выполненого теста"));
  reportBox->hide();

  statusBar = Make<QStatusBar>(body, "StatusBar1", {0, 405, 462, 19});
  statusBar->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  statusBar->setSizeGripEnabled(false);

  // The layouts, once every control stands where it was designed: the
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

  openDialog =
      std::make_unique<ui::OpenDialog>(this, QStringLiteral("OpenDialog1"), QStringLiteral("Файл теста|*.DLL"));
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
  saveDialog = std::make_unique<ui::SaveDialog>(this, QStringLiteral("SaveDialog1"), QStringLiteral("Сохранить отчет"),
                                                QStringLiteral("Документ PDF|*.pdf"), QStringLiteral("pdf"));

  // What a screen reader says: the edits are named by their labels, the
  // controls without one by their hints, and every hint describes its
  // control. The question label keeps its text as its name, so that a new
  // question is announced as the label's name change.
  LabelFor(nameLabel, nameEdit);
  LabelFor(groupLabel, groupEdit);
  for (QWidget* control : std::initializer_list<QWidget*>{timeGauge, questionScale, reportBox})
    control->setAccessibleName(control->statusTip());
  backButton->setAccessibleName(QStringLiteral("Назад"));  // not "<< Назад"
  for (QWidget* control : findChildren<QWidget*>())
    if (!control->statusTip().isEmpty()) control->setAccessibleDescription(control->statusTip());

  // Tab order: depth first through the containers.
  setTabOrder(nameEdit, groupEdit);
  setTabOrder(groupEdit, openButton);
  setTabOrder(openButton, startButton);
  setTabOrder(startButton, answerButton);
  setTabOrder(answerButton, backButton);
  setTabOrder(backButton, questionScale);
  setTabOrder(questionScale, optionGroup);
  setTabOrder(optionGroup, reportBox);
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

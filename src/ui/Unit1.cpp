#include "ui/Unit1.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QStatusTipEvent>
#include <limits>

#include "ui/controls/default_button.h"
#include "ui/controls/guard.h"
#include "ui/controls/strip_layout.h"
#include "ui/fonts.h"
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

ui::MnemonicLabel* MakeLabel(QWidget* parent, const char* name, QRect geometry,
                             const QString& caption) {
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
QWidget* MakePanel(QWidget* parent, const char* name, QRect geometry) {
  return Make<QWidget>(parent, name, geometry);
}

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

void SetTextColor(QWidget* control, const QColor& color) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::WindowText, color);
  control->setPalette(palette);
}

}  // namespace

TForm1::TForm1() {
  setObjectName(QStringLiteral("Form1"));
  ui::SetUpFixedFrame(*this, Qt::Window, QSize(462, 424));
  setWindowTitle(ui::ApplicationTitle());
  setWindowIcon(ui::AppIcon());
  setFont(ui::WindowFont());
  move(439, 449);  // the designed place; the window is not centred

  const QString not_chosen = QStringLiteral("---тест не выбран---");

  Panel1 = MakePanel(this, "Panel1", {0, 0, 462, 424});

  // Registration group.
  GroupBox1 = MakeGroupBox(Panel1, "GroupBox1", {0, 0, 462, 97});
  GroupBox1->setTitle(QStringLiteral("Регистрация пользователя"));
  Label1 = MakeLabel(GroupBox1, "Label1", {8, 24, 120, 13},
                     QStringLiteral("Ф.И.О. ..........................."));
  Label2 = MakeLabel(GroupBox1, "Label2", {8, 56, 122, 13},
                     QStringLiteral("№ группы ......................."));
  Edit1 = Make<QLineEdit>(GroupBox1, "Edit1", {136, 16, 289, 21});
  Edit1->setMaxLength(std::numeric_limits<int>::max());
  Edit1->setStatusTip(QStringLiteral("Введите свою фмилию, имя, отчество"));
  Edit2 = Make<ui::UpperCaseEdit>(GroupBox1, "Edit2", {136, 48, 121, 21});
  Edit2->setMaxLength(std::numeric_limits<int>::max());
  Edit2->setStatusTip(QStringLiteral("Введите свою группу"));
  Button1 = MakeButton(GroupBox1, "Button1", {288, 48, 137, 25}, QStringLiteral("Открыть"),
                       QStringLiteral("Открывает файл теста"));
  Button1->setEnabled(false);

  // Button strip with the gauge frame.
  Panel2 = MakePanel(Panel1, "Panel2", {0, 348, 462, 57});
  Button2 = MakeButton(Panel2, "Button2", {256, 25, 75, 25}, QStringLiteral("Начать"),
                       QStringLiteral("Начать выполнение теста"));
  Button2->setEnabled(false);
  Button3 = MakeButton(Panel2, "Button3", {336, 25, 75, 25}, QStringLiteral("Ответить"),
                       QStringLiteral("Ответить на вопрос"));
  Button3->hide();
  Button4 = MakeButton(Panel2, "Button4", {96, 25, 75, 25}, QStringLiteral("<< Назад"),
                       QStringLiteral("Перейти к предыдущему вопросу"));
  Button4->hide();
  Panel7 = MakePanel(Panel2, "Panel7", {6, 3, 449, 17});
  Gauge1 = Make<ui::Gauge>(Panel7, "Gauge1", {0, 0, 449, 17});
  Gauge1->setStatusTip(QStringLiteral("Оценка оставшегося времени"));

  // Test information group.
  GroupBox2 = MakeGroupBox(Panel1, "GroupBox2", {0, 97, 462, 272});
  GroupBox2->setTitle(QStringLiteral("Информация о тесте"));
  GroupBox2->setFont(ui::LargerFont());
  const QFont heading = Bold(ui::LargerFont());
  Label4 = MakeLabel(GroupBox2, "Label4", {8, 32, 121, 16}, QStringLiteral("Название теста"));
  Label6 = MakeLabel(GroupBox2, "Label6", {8, 72, 74, 16}, QStringLiteral("Описание"));
  Label7 = MakeLabel(GroupBox2, "Label7", {8, 128, 200, 16},
                     QStringLiteral("Коментарии к выполнению"));
  Label9 = MakeLabel(GroupBox2, "Label9", {8, 208, 210, 16},
                     QStringLiteral("Время на выполнение теста"));
  Label9->setStatusTip(QStringLiteral("Время в минутах на выполнение теста"));
  Label10 = MakeLabel(GroupBox2, "Label10", {8, 184, 227, 16},
                      QStringLiteral("Количество вопросов в тесте:"));
  Label10->setStatusTip(QStringLiteral("Количество вопросов"));
  for (ui::MnemonicLabel* l : {Label4, Label6, Label7, Label9, Label10}) l->setFont(heading);
  Label11 = MakeLabel(GroupBox2, "Label11", {240, 184, 14, 16}, QStringLiteral("00"));
  Label12 = MakeLabel(GroupBox2, "Label12", {240, 208, 14, 16}, QStringLiteral("00"));
  Label13 = MakeLabel(GroupBox2, "Label13", {264, 208, 40, 16}, QStringLiteral("минут"));
  Panel3 = MakePanel(GroupBox2, "Panel3", {8, 48, 433, 17});
  Label3 = MakeLabel(Panel3, "Label3", {0, 0, 433, 17}, not_chosen);
  Label3->setStatusTip(QStringLiteral("Название теста"));
  Panel4 = MakePanel(GroupBox2, "Panel4", {8, 88, 433, 41});
  Label5 = MakeLabel(Panel4, "Label5", {0, 0, 433, 41}, not_chosen);
  Label5->setStatusTip(QStringLiteral("Описание теста"));
  Label5->setWordWrap(true);
  Panel5 = MakePanel(GroupBox2, "Panel5", {8, 144, 433, 41});
  Label8 = MakeLabel(Panel5, "Label8", {0, 0, 433, 41}, not_chosen);
  Label8->setWordWrap(true);

  // Question area: no room until both groups above are hidden.
  Panel6 = MakePanel(Panel1, "Panel6", {0, 369, 462, 0});
  Panel6->setFont(ui::LargerFont());
  Label14 = MakeLabel(Panel6, "Label14", {0, 45, 462, 16}, QStringLiteral("Вопрос №"));
  Label14->setStatusTip(QStringLiteral("Порядковый номер вопроса"));
  Label15 = MakeLabel(Panel6, "Label15", {64, 45, 14, 16}, QStringLiteral("15"));
  TrackBar1 = Make<ui::TrackBar>(Panel6, "TrackBar1", {0, 0, 462, 45});
  TrackBar1->setRange(1, 10);
  TrackBar1->setValue(1);
  TrackBar1->setStatusTip(QStringLiteral("Шкала вопросов"));
  GroupBox3 = MakeGroupBox(Panel6, "GroupBox3", {0, 61, 462, 79});
  Label16 = MakeLabel(GroupBox3, "Label16", {2, 18, 458, 59}, QStringLiteral("Label16"));
  Label16->setStatusTip(QStringLiteral("Наименование вопроса"));
  Label16->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  Label16->setWordWrap(true);
  Label17 = MakeLabel(GroupBox3, "Label17", {8, 32, 137, 16},
                      QStringLiteral("Правильных ответов"));
  Label17->setFont(ui::LargerFont());
  SetTextColor(Label17, Qt::blue);
  Label17->hide();
  Label18 = MakeLabel(GroupBox3, "Label18", {8, 56, 153, 16},
                      QStringLiteral("Неправильных ответов"));
  Label18->setFont(ui::LargerFont());
  SetTextColor(Label18, Qt::red);
  Label18->hide();
  RadioGroup1 = Make<ui::OptionGroup>(Panel6, "RadioGroup1", {0, 140, 462, 3});
  RadioGroup1->setTitle(QStringLiteral("Варианты ответов"));
  RadioGroup1->setStatusTip(QStringLiteral("Варианты ответов"));
  Memo1 = Make<ui::ReportBox>(Panel6, "Memo1", {0, 140, 462, 3});
  Memo1->setStatusTip(QStringLiteral("Результаты выполненого теста"));
  Memo1->hide();

  StatusBar1 = Make<QStatusBar>(Panel1, "StatusBar1", {0, 405, 462, 19});
  StatusBar1->setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
  StatusBar1->setSizeGripEnabled(false);

  // The layouts, once every control stands where it was designed: the
  // strips take their fixed heights, the labels the size of their texts.
  GroupBox1->setFixedHeight(97);
  GroupBox2->setFixedHeight(272);
  Panel2->setFixedHeight(57);
  StatusBar1->setFixedHeight(19);
  TrackBar1->setFixedHeight(45);
  GroupBox3->setFixedHeight(79);
  LayOut(GroupBox1, {{Label1, Place::Corner}, {Label2, Place::Corner}});
  LayOut(Panel7, {{Gauge1, Place::Fill}});
  LayOut(Panel3, {{Label3, Place::Fill}});
  LayOut(Panel4, {{Label5, Place::Fill}});
  LayOut(Panel5, {{Label8, Place::Fill}});
  LayOut(GroupBox2, {{Label4, Place::Corner},
                     {Label6, Place::Corner},
                     {Label7, Place::Corner},
                     {Label9, Place::Corner},
                     {Label10, Place::Corner},
                     {Label11, Place::Corner},
                     {Label12, Place::Corner},
                     {Label13, Place::Corner}});
  LayOut(GroupBox3, {{Label16, Place::Fill}, {Label17, Place::Corner}, {Label18, Place::Corner}});
  LayOut(Panel6, {{TrackBar1, Place::Top},
                  {Label14, Place::Top},
                  {GroupBox3, Place::Top},
                  {RadioGroup1, Place::Fill},
                  {Memo1, Place::Fill},
                  {Label15, Place::Corner}});
  LayOut(Panel1, {{GroupBox1, Place::Top},
                  {GroupBox2, Place::Top},
                  {StatusBar1, Place::Bottom},
                  {Panel2, Place::Bottom},
                  {Panel6, Place::Fill}});

  OpenDialog1 = std::make_unique<ui::OpenDialog>(this, QStringLiteral("OpenDialog1"),
                                                 QStringLiteral("Файл теста|*.DLL"));
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(1000);
  Timer1->setTimerType(Qt::PreciseTimer);

  // Tab order: depth first through the containers.
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Button1);
  setTabOrder(Button1, Button2);
  setTabOrder(Button2, Button3);
  setTabOrder(Button3, Button4);
  setTabOrder(Button4, TrackBar1);
  setTabOrder(TrackBar1, RadioGroup1);
  setTabOrder(RadioGroup1, Memo1);
  Edit1->setFocus(Qt::OtherFocusReason);

  // A disabled control shows no hint of its own (see eventFilter).
  for (QWidget* control : findChildren<QWidget*>())
    if (!control->statusTip().isEmpty()) control->installEventFilter(this);
}

TForm1::~TForm1() = default;

bool TForm1::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    StatusBar1->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QWidget::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const auto* control = static_cast<QWidget*>(watched);
    if (!control->isEnabled() && !static_cast<QStatusTipEvent*>(event)->tip().isEmpty()) {
      // The pointer counts as over the control's container.
      QString tip;
      for (const QWidget* w = control->parentWidget(); w != nullptr && tip.isEmpty() && w != this;
           w = w->parentWidget())
        tip = w->statusTip();
      StatusBar1->showMessage(tip);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::closeEvent(QCloseEvent* event) {
  emit closing();
  event->accept();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
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

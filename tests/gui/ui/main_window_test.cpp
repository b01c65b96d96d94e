// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as the program starts it: every control's place (as its
// form designs it), texts, hints, fonts and starting state, the layout once
// the question area gets the room, the keyboard (Tab chain and Enter), and
// the status line over each control.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <set>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

#include "run/controller.h"
#include "run_test_support.h"
#include "ui/dialogs.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

namespace ui = miravel::ui;

namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<ui::MainWindow>();
    {
      // The run shows its starting state on the window; the tests then drive
      // the controls alone.
      QTemporaryDir profile;
      miravel::run::testing_support::FakeOs os;
      os.profile = QFile::encodeName(profile.path()).toStdString();
      const miravel::run::Controller starting(*form, os);
    }
    form->show();
    QApplication::processEvents();
  }

  QWidget* Control(const char* name) const {
    QWidget* w = form->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  // Rect of `name` in the window's client coordinates.
  QRect InWindow(const char* name) const {
    QWidget* w = Control(name);
    return QRect(w->mapTo(form.get(), QPoint(0, 0)), w->size());
  }

  // Gives the question area the room and lets it take input, as the start
  // of a test does.
  void HideTopGroups() {
    form->testInfoGroup->hide();
    form->registrationGroup->hide();
    form->questionScale->setEnabled(true);
    form->optionGroup->setEnabled(true);
    QApplication::processEvents();
  }

  void AddFourOptions() {
    form->optionGroup->setOptions(
        {QStringLiteral("один"), QStringLiteral("два"), QStringLiteral("три"), QStringLiteral("четыре")});
  }

  // The status line after the pointer rests at `pos` and the loop went idle.
  QString HintAt(QPoint pos) {
    QTest::mouseMove(form.get(), pos);
    QApplication::processEvents();
    QApplication::processEvents();
    return form->statusBar->currentMessage();
  }

  QPoint Centre(const char* name) const { return InWindow(name).center(); }

  std::unique_ptr<ui::MainWindow> form;
};

struct Placed {
  const char* name;
  const char* container;
  QRect rect;
};

TEST_F(MainWindow, WindowItself) {
  EXPECT_EQ(form->objectName(), "Form1");
  EXPECT_STREQ(form->metaObject()->className(), "miravel::ui::MainWindow");
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Миравель"));
  EXPECT_EQ(form->size(), QSize(462, 424));
  EXPECT_EQ(form->minimumSize(), form->maximumSize()) << "the window cannot be resized";
  // The designed place, as built; shown, the window keeps it only where it
  // fits the screen (window_placement_test.cpp), which this test's 800 x 800
  // screen is too small for.
  EXPECT_EQ(ui::MainWindow().pos(), QPoint(439, 449));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(form->windowIcon().isNull());
  EXPECT_EQ(ui::LineHeight(form->font()), 13);
  EXPECT_EQ(form->font().pixelSize(), 11);
  EXPECT_EQ(ui::LineHeight(ui::LargerFont()), 16);
}

// The labels that take the size of their text from the corner the form
// gives them.
const std::set<QString> kSizedToText = {
    QStringLiteral("Label1"),  QStringLiteral("Label2"),
    QStringLiteral("Label4"),  QStringLiteral("Label6"),
    QStringLiteral("Label7"),  QStringLiteral("Label9"),
    QStringLiteral("Label10"), QStringLiteral("Label11"),
    QStringLiteral("Label12"), QStringLiteral("Label13"),
    QStringLiteral("Label15"), QStringLiteral("Label17"),
    QStringLiteral("Label18"), QStringLiteral("JournalChangedLabel"),
};

TEST_F(MainWindow, EveryControlStandsWhereTheFormPutsIt) {
  const std::vector<ui::testing_support::FormControl> designed = ui::testing_support::ReadForm("main_window.ui");
  ASSERT_GT(designed.size(), 40u) << "the form is read";
  EXPECT_EQ(designed.front().name, form->objectName());
  EXPECT_EQ(designed.front().rect.size(), form->size());
  for (std::size_t k = 1; k < designed.size(); ++k) {
    const ui::testing_support::FormControl& d = designed[k];
    const std::string name = d.name.toStdString();
    QWidget* w = form->findChild<QWidget*>(d.name);
    ASSERT_NE(w, nullptr) << name;
    EXPECT_EQ(w->parentWidget()->objectName(), d.container) << name;
    if (kSizedToText.count(d.name) != 0) EXPECT_EQ(w->pos(), d.rect.topLeft()) << name;
    else EXPECT_EQ(w->geometry(), d.rect) << name;
  }
}

TEST_F(MainWindow, LabelsSizeToTheirTextFromTheirDesignedCorner) {
  struct Row {
    const char* name;
    int height;
    int right_limit;  // the next control to the right, which the text must not reach
  };
  const std::vector<Row> table = {
      {"Label1", 13, 136},  {"Label2", 13, 136},  {"Label4", 16, 441},  {"Label6", 16, 441},  {"Label7", 16, 441},
      {"Label9", 16, 240},  {"Label10", 16, 240}, {"Label11", 16, 441}, {"Label12", 16, 264}, {"Label13", 16, 441},
      {"Label15", 16, 462}, {"Label17", 16, 458}, {"Label18", 16, 458},
  };
  for (const Row& r : table) {
    QWidget* w = Control(r.name);
    EXPECT_EQ(w->height(), r.height) << r.name;
    EXPECT_LE(w->x() + w->width(), r.right_limit) << r.name;
  }
  // The totals are empty until the report fills them; the others hold text.
  for (const char* name : {"Label1", "Label2", "Label4", "Label9", "Label11", "Label13", "Label15"})
    EXPECT_GT(Control(name)->width(), 0) << name;
  // The mark of a changed journal: two lines beside the totals.
  const QWidget* mark = Control("JournalChangedLabel");
  EXPECT_EQ(mark->height(), 32);
  EXPECT_LE(mark->x() + mark->width(), 458);
}

TEST_F(MainWindow, CreationOrderDecidesStacking) {
  // Later siblings lie in front of earlier ones.
  const std::vector<std::pair<const char*, std::vector<const char*>>> order = {
      {"Panel1", {"GroupBox1", "Panel2", "GroupBox2", "Panel6", "StatusBar1"}},
      {"GroupBox1", {"Label1", "Label2", "Edit1", "Edit2", "Button1"}},
      {"Panel2", {"Button2", "Button3", "Button4", "Panel7"}},
      {"GroupBox2",
       {"Label4", "Label6", "Label7", "Label9", "Label10", "Label11", "Label12", "Label13", "Panel3", "Panel4",
        "Panel5"}},
      {"Panel6", {"Label14", "Label15", "TrackBar1", "GroupBox3", "RadioGroup1", "Memo1"}},
      {"GroupBox3", {"Label16", "Label17", "Label18", "JournalChangedLabel"}},
  };
  for (const auto& [container, names] : order) {
    QStringList seen;
    for (QObject* o : Control(container)->children())
      if (o->isWidgetType() && !o->objectName().isEmpty()) seen << o->objectName();
    QStringList expected;
    for (const char* n : names) expected << QString::fromLatin1(n);
    EXPECT_EQ(seen, expected) << container;
  }
}

TEST_F(MainWindow, GaugeFrameIsCoveredByTheInformationGroupAtStart) {
  EXPECT_EQ(InWindow("Panel7"), QRect(6, 351, 449, 17));
  EXPECT_TRUE(InWindow("GroupBox2").contains(InWindow("Panel7")));
  // No black frame of the gauge shows anywhere in its rows.
  const QImage shot = form->grab().toImage();
  int black = 0;
  for (int y = 351; y <= 367; ++y)
    for (int x = 6; x <= 454; ++x) black += shot.pixelColor(x, y) == Qt::black ? 1 : 0;
  EXPECT_EQ(black, 0);
  // Once both groups are hidden, the gauge's frame is on screen.
  HideTopGroups();
  const QImage running = form->grab().toImage();
  EXPECT_EQ(running.pixelColor(6, 351), QColor(Qt::black));
  EXPECT_EQ(running.pixelColor(454, 367), QColor(Qt::black));
}

TEST_F(MainWindow, QuestionAreaFillsTheWindowOnceTheGroupsAreHidden) {
  HideTopGroups();
  AddFourOptions();
  const std::vector<Placed> table = {
      {"Panel6", "Panel1", {0, 0, 462, 348}},     {"TrackBar1", "Panel6", {0, 0, 462, 45}},
      {"Label14", "Panel6", {0, 45, 462, 16}},    {"GroupBox3", "Panel6", {0, 61, 462, 79}},
      {"Label16", "GroupBox3", {2, 18, 458, 59}}, {"RadioGroup1", "Panel6", {0, 140, 462, 208}},
  };
  for (const Placed& p : table) EXPECT_EQ(Control(p.name)->geometry(), p.rect) << p.name;
  // The hidden report box keeps its last place until it is shown; then it
  // shares the option group's rectangle.
  EXPECT_EQ(form->reportBox->geometry(), QRect(0, 140, 462, 3));
  form->reportBox->show();
  EXPECT_EQ(form->reportBox->geometry(), QRect(0, 140, 462, 208));
  const int tops[] = {18, 64, 110, 156};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(form->optionGroup->option(i)->geometry(), QRect(8, tops[i], 452, 46)) << i;
  EXPECT_EQ(Control("Label15")->pos(), QPoint(64, 45));
}

TEST_F(MainWindow, TwoLineLabel14PushesTheQuestionGroupDown) {
  HideTopGroups();
  form->questionHeading->setText(QStringLiteral("Иванов Иван\rГР-11"));
  QApplication::processEvents();
  EXPECT_EQ(form->questionHeading->geometry(), QRect(0, 45, 462, 32));
  EXPECT_EQ(form->questionGroup->geometry(), QRect(0, 77, 462, 79));
  EXPECT_EQ(form->optionGroup->geometry(), QRect(0, 156, 462, 192));
  form->reportBox->show();
  EXPECT_EQ(form->reportBox->geometry(), QRect(0, 156, 462, 192)) << "16 pixels shorter";
  form->questionHeading->setText(QStringLiteral("Вопрос №"));
  EXPECT_EQ(form->questionGroup->geometry(), QRect(0, 61, 462, 79));
}

TEST_F(MainWindow, TextsHintsAndFonts) {
  struct Row {
    const char* name;
    const char* text;  // caption, title or text
    const char* hint;
    int pixels;  // font character height
    bool bold;
  };
  const std::vector<Row> table = {
      {"GroupBox1", "Регистрация пользователя", "", 11, false},
      {"Label1", "Ф.И.О. ...........................", "", 11, false},
      {"Label2", "№ группы .......................", "", 11, false},
      {"Edit1", "", "Введите свою фмилию, имя, отчество", 11, false},
      {"Edit2", "", "Введите свою группу", 11, false},
      {"Button1", "Открыть", "Открывает файл теста", 11, false},
      {"Button2", "Начать", "Начать выполнение теста", 11, false},
      {"Button3", "Ответить", "Ответить на вопрос", 11, false},
      {"Button4", "<< Назад", "Перейти к предыдущему вопросу", 11, false},
      {"Gauge1", "0%", "Оценка оставшегося времени", 11, false},
      {"GroupBox2", "Информация о тесте", "", 13, false},
      {"Label4", "Название теста", "", 13, true},
      {"Label6", "Описание", "", 13, true},
      {"Label7", "Коментарии к выполнению", "", 13, true},
      {"Label9", "Время на выполнение теста", "Время в минутах на выполнение теста", 13, true},
      {"Label10", "Количество вопросов в тесте:", "Количество вопросов", 13, true},
      {"Label11", "00", "", 13, false},
      {"Label12", "00", "", 13, false},
      {"Label13", "минут", "", 13, false},
      {"Label3", "---тест не выбран---", "Название теста", 13, false},
      {"Label5", "---тест не выбран---", "Описание теста", 13, false},
      {"Label8", "---тест не выбран---", "", 13, false},
      {"Label14", "Вопрос №", "Порядковый номер вопроса", 13, false},
      {"Label15", "15", "", 13, false},
      {"TrackBar1", "", "Шкала вопросов", 13, false},
      {"Label16", "Label16", "Наименование вопроса", 13, false},
      {"Label17", "", "", 13, false},  // the totals, once the report is shown
      {"Label18", "", "", 13, false},
      {"JournalChangedLabel", "Внимание: журнал ответов\nизменен в обход программы", "", 13, true},
      {"RadioGroup1", "Варианты ответов", "Варианты ответов", 13, false},
      {"Memo1", "", "Результаты выполненого теста", 13, false},
  };
  for (const Row& r : table) {
    QWidget* w = Control(r.name);
    QString text = w->property("text").toString();
    if (auto* box = qobject_cast<QGroupBox*>(w)) text = box->title();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) text = memo->toPlainText();
    EXPECT_EQ(text, QString::fromUtf8(r.text)) << r.name;
    EXPECT_EQ(w->statusTip(), QString::fromUtf8(r.hint)) << r.name;
    EXPECT_EQ(w->font().pixelSize(), r.pixels) << r.name;
    EXPECT_EQ(w->font().bold(), r.bold) << r.name;
    EXPECT_TRUE(w->toolTip().isEmpty()) << r.name << ": no pop-up tips";
  }
  const auto text_colour = [](const QWidget* w) { return w->palette().color(w->foregroundRole()); };
  EXPECT_EQ(text_colour(form->rightTotalLabel), QColor(Qt::blue)) << "the standard palette's link colour";
  EXPECT_EQ(text_colour(form->wrongTotalLabel), QColor(Qt::red));
  EXPECT_EQ(text_colour(form->journalChangedLabel), QColor(Qt::red));
  // The report's lines keep their colours on a white page, whatever the palette.
  EXPECT_EQ(form->reportBox->palette().color(QPalette::Base), QColor(Qt::white));
  EXPECT_EQ(form->reportBox->palette().color(QPalette::Text), QColor(Qt::black));
  EXPECT_EQ(form->questionLabel->alignment(), Qt::AlignHCenter | Qt::AlignTop);
  EXPECT_TRUE(form->questionLabel->wordWrap());
  EXPECT_TRUE(form->descriptionLabel->wordWrap());
  EXPECT_TRUE(form->commentsLabel->wordWrap());
  EXPECT_FALSE(form->testNameLabel->wordWrap());
  EXPECT_TRUE(form->reportBox->isReadOnly());
  EXPECT_TRUE(form->statusBar->currentMessage().isEmpty());
  EXPECT_FALSE(form->statusBar->isSizeGripEnabled());
}

TEST_F(MainWindow, StartingStates) {
  struct Row {
    const char* name;
    bool visible;
    bool enabled;
  };
  const std::vector<Row> table = {
      {"GroupBox1", true, true},    {"Edit1", true, true},
      {"Edit2", true, true},        {"Button1", true, false},
      {"GroupBox2", true, true},    {"Button2", true, false},
      {"Button3", false, true},     {"Button4", false, true},
      {"Gauge1", true, true},       {"TrackBar1", true, false},
      {"Label17", false, true},     {"Label18", false, true},
      {"RadioGroup1", true, false}, {"Memo1", false, true},
      {"Panel6", true, true},       {"JournalChangedLabel", false, true},
  };
  for (const Row& r : table) {
    QWidget* w = Control(r.name);
    EXPECT_EQ(w->isVisibleTo(form.get()), r.visible) << r.name;
    EXPECT_EQ(w->isEnabled(), r.enabled) << r.name;
  }
  EXPECT_TRUE(form->nameEdit->text().isEmpty());
  EXPECT_TRUE(form->groupEdit->text().isEmpty());
  EXPECT_EQ(form->timeGauge->minimum(), 0);
  EXPECT_EQ(form->timeGauge->maximum(), 100);
  EXPECT_EQ(form->timeGauge->value(), 0);
  EXPECT_EQ(form->questionScale->minimum(), 1);
  EXPECT_EQ(form->questionScale->maximum(), 10);
  EXPECT_EQ(form->questionScale->value(), 1);
  EXPECT_EQ(form->questionScale->tickPosition(), QSlider::TicksBelow);
  EXPECT_TRUE(form->optionGroup->optionTexts().isEmpty());
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1);
  EXPECT_TRUE(form->optionGroup->options()->exclusive());
  EXPECT_FALSE(form->countdown->isActive());
  EXPECT_EQ(form->countdown->interval(), 1000);
  EXPECT_FALSE(form->countdown->isSingleShot());
  EXPECT_EQ(form->countdown->timerType(), Qt::PreciseTimer);
  EXPECT_EQ(form->countdown->objectName(), "Timer1");
  for (QPushButton* b : {form->openButton, form->startButton, form->answerButton, form->backButton}) {
    EXPECT_FALSE(b->isDefault()) << b->objectName().toStdString();
    EXPECT_FALSE(b->autoDefault()) << b->objectName().toStdString() << ": keeps its default flag";
  }
  EXPECT_EQ(QApplication::focusWidget(), form->nameEdit);
}

TEST_F(MainWindow, OpenDialogIsConfiguredAndAnsweredThroughTheSeam) {
  QString seen_filter;
  QString seen_title = QStringLiteral("unset");
  QFileDialog::FileMode mode{};
  const QString missing = QDir::temp().filePath(QStringLiteral("test that is not there.DLL"));
  ASSERT_FALSE(QFile::exists(missing));
  ui::FileDialog::SetNextAnswer([&](QFileDialog& d) {
    seen_filter = d.nameFilters().join(u';');
    seen_title = d.windowTitle();
    mode = d.fileMode();
    EXPECT_EQ(d.objectName(), "OpenDialog1");
    EXPECT_EQ(d.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_TRUE(d.isSizeGripEnabled());
    d.selectFile(missing);
    return true;
  });
  ASSERT_TRUE(form->openDialog->Execute());
  EXPECT_EQ(form->openDialog->FileName(), missing);
  EXPECT_EQ(seen_filter, QStringLiteral("Файл теста (*.DLL)"));
  EXPECT_EQ(seen_title, QFileDialog().windowTitle()) << "no title of its own";
  EXPECT_EQ(mode, QFileDialog::AnyFile) << "single file, need not exist";
  ui::FileDialog::SetNextAnswer([](QFileDialog&) { return false; });
  EXPECT_FALSE(form->openDialog->Execute());
}

// The focused control's name after each Tab from Edit1, `steps` times.
std::vector<std::string> TabChain(ui::MainWindow& form, QWidget* from, int steps) {
  from->setFocus(Qt::TabFocusReason);
  std::vector<std::string> chain;
  for (int i = 0; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* f = QApplication::focusWidget();
    std::string name = f ? f->objectName().toStdString() : "";
    if (f && qobject_cast<QRadioButton*>(f))
      name = "option " + std::to_string(form.optionGroup->options()->id(static_cast<QRadioButton*>(f)));
    chain.push_back(name);
  }
  return chain;
}

using Chain = std::vector<std::string>;

TEST_F(MainWindow, TabChainPassesOverHiddenAndDisabledControls) {
  // At start: the buttons are disabled or hidden, and the track bar in the
  // question area, which has no room yet, takes no input before Start.
  EXPECT_EQ(TabChain(*form, form->nameEdit, 3), (Chain{"Edit2", "Edit1", "Edit2"}));
  form->openButton->setEnabled(true);
  form->startButton->setEnabled(true);
  EXPECT_EQ(TabChain(*form, form->nameEdit, 5), (Chain{"Edit2", "Button1", "Button2", "Edit1", "Edit2"}));
  // Running: groups hidden, Start hidden, answer buttons shown.
  HideTopGroups();
  form->startButton->hide();
  form->answerButton->show();
  form->backButton->show();
  AddFourOptions();
  // No option selected: the first option takes the focus, and stays unchecked.
  EXPECT_EQ(TabChain(*form, form->answerButton, 4), (Chain{"Button4", "TrackBar1", "option 0", "Button3"}));
  EXPECT_EQ(form->optionGroup->options()->checkedId(), -1);
  form->optionGroup->checkOption(2);
  EXPECT_EQ(TabChain(*form, form->answerButton, 4), (Chain{"Button4", "TrackBar1", "option 2", "Button3"}));
  form->backButton->setEnabled(false);
  EXPECT_EQ(TabChain(*form, form->answerButton, 3), (Chain{"TrackBar1", "option 2", "Button3"}));
  // The report: options hidden, report box shown.
  form->optionGroup->hide();
  form->reportBox->show();
  form->questionScale->setEnabled(false);
  EXPECT_EQ(TabChain(*form, form->answerButton, 2), (Chain{"Memo1", "Button3"}));
}

TEST_F(MainWindow, EnterClicksTheFirstVisibleEnabledDefaultButton) {
  std::vector<std::string> clicks;
  for (QPushButton* b : {form->openButton, form->startButton, form->answerButton}) {
    QObject::connect(b, &QPushButton::clicked, b, [&clicks, b] { clicks.push_back(b->objectName().toStdString()); });
  }
  form->nameEdit->setText(QStringLiteral("x"));
  form->openButton->setEnabled(true);
  form->openButton->setDefault(true);
  form->startButton->setEnabled(true);
  form->startButton->setDefault(true);
  form->nameEdit->setFocus();
  QTest::keyClick(form->nameEdit, Qt::Key_Return);
  EXPECT_EQ(clicks, (Chain{"Button1"})) << "both are default; Button1 comes first";
  QTest::keyClick(form->nameEdit, Qt::Key_Return, Qt::ShiftModifier);
  QTest::keyClick(form->nameEdit, Qt::Key_Return, Qt::ControlModifier);
  QTest::keyClick(form->nameEdit, Qt::Key_Return, Qt::AltModifier);
  EXPECT_EQ(clicks.size(), 1u) << "Enter with Shift, Ctrl or Alt clicks nothing";
  form->openButton->setEnabled(false);
  QTest::keyClick(form->groupEdit, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicks, (Chain{"Button1", "Button2"}));
  // A focused push button takes Enter itself, and the default buttons stay
  // default after it had the focus.
  form->openButton->setEnabled(true);
  form->startButton->setFocus();
  QTest::keyClick(form->startButton, Qt::Key_Return);
  EXPECT_EQ(clicks.back(), "Button2");
  form->nameEdit->setFocus();
  EXPECT_TRUE(form->startButton->isDefault());
  QTest::keyClick(form->nameEdit, Qt::Key_Return);
  EXPECT_EQ(clicks.back(), "Button1");
  form->openButton->setDefault(false);
  form->startButton->setDefault(false);
  form->openButton->setFocus();
  QTest::keyClick(form->openButton, Qt::Key_Return);
  EXPECT_EQ(clicks.back(), "Button1") << "focused, not default";
  form->openButton->setEnabled(false);
  // Running: Button3 default once an option was chosen; Enter on the track bar.
  HideTopGroups();
  form->startButton->hide();
  form->answerButton->show();
  form->answerButton->setDefault(true);
  form->questionScale->setFocus();
  QTest::keyClick(form->questionScale, Qt::Key_Return);
  EXPECT_EQ(clicks.back(), "Button3") << "Button1 and Button2 are hidden with their groups";
  EXPECT_EQ(clicks.size(), 6u);
}

TEST_F(MainWindow, StatusLineShowsTheHintOfTheControlUnderThePointer) {
  struct Row {
    const char* over;
    const char* hint;
  };
  const std::vector<Row> start = {
      {"Edit1", "Введите свою фмилию, имя, отчество"},
      {"Edit2", "Введите свою группу"},
      {"Button1", ""},  // disabled: the group's hint, which is empty
      {"Button2", ""},  // disabled: the strip's hint, which is empty
      {"Label1", ""},
      {"Label3", "Название теста"},
      {"Label5", "Описание теста"},
      {"Label8", ""},
      {"Label9", "Время в минутах на выполнение теста"},
      {"Label10", "Количество вопросов"},
      {"Label4", ""},
  };
  for (const Row& r : start) EXPECT_EQ(HintAt(Centre(r.over)), QString::fromUtf8(r.hint)) << r.over;
  // Over a group box's frame.
  EXPECT_EQ(HintAt(QPoint(2, 50)), QString()) << "GroupBox1 frame";
  // An enabled button shows its own hint.
  form->openButton->setEnabled(true);
  EXPECT_EQ(HintAt(Centre("Button1")), QStringLiteral("Открывает файл теста"));
  // The pointer leaves the window: empty at the next idle moment.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(form->windowHandle(), &leave);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_TRUE(form->statusBar->currentMessage().isEmpty());
  // ... and comes back, over a group box's frame.
  const QPoint back(2, 50);
  QEnterEvent enter(back, back, form->mapToGlobal(back));
  QApplication::sendEvent(form->windowHandle(), &enter);
  EXPECT_TRUE(form->statusBar->currentMessage().isEmpty());

  HideTopGroups();
  form->startButton->hide();
  form->answerButton->show();
  form->backButton->show();
  AddFourOptions();
  const std::vector<Row> running = {
      {"TrackBar1", "Шкала вопросов"},     {"Label14", "Порядковый номер вопроса"},
      {"Label16", "Наименование вопроса"}, {"Gauge1", "Оценка оставшегося времени"},
      {"Button3", "Ответить на вопрос"},   {"Button4", "Перейти к предыдущему вопросу"},
      {"RadioGroup1", "Варианты ответов"},
  };
  for (const Row& r : running) EXPECT_EQ(HintAt(Centre(r.over)), QString::fromUtf8(r.hint)) << r.over;
  const QRect option(form->optionGroup->option(1)->mapTo(form.get(), QPoint(0, 0)),
                     form->optionGroup->option(1)->size());
  EXPECT_EQ(HintAt(option.center()), QStringLiteral("Варианты ответов")) << "an option";
  // A disabled track bar is passed over: the question area has no hint.
  form->questionScale->setEnabled(false);
  EXPECT_EQ(HintAt(Centre("TrackBar1") + QPoint(1, 0)), QString());
  // Label15 lies in front of Label14 and has no hint of its own: Panel6 has none either.
  EXPECT_EQ(HintAt(Centre("Label15")), QString());
}

// The pointer rests while the controls change under it: the status line
// follows at the next pass of the event loop, with no pointer motion.
TEST_F(MainWindow, StatusLineFollowsAControlThatChangesUnderARestingPointer) {
  const auto rest_at = [this](QPoint pos) {
    QCursor::setPos(form->mapToGlobal(pos));
    QApplication::processEvents();
  };
  const auto shown = [this] {
    QApplication::processEvents();
    return form->statusBar->currentMessage();
  };
  rest_at(Centre("Button1"));
  EXPECT_EQ(shown(), QString()) << "disabled: the group's hint, which is empty";
  form->openButton->setEnabled(true);
  EXPECT_EQ(shown(), QStringLiteral("Открывает файл теста"));
  form->openButton->setEnabled(false);
  EXPECT_EQ(shown(), QString());
  form->registrationGroup->setEnabled(false);  // a container disabled and enabled again
  form->openButton->setEnabled(true);
  EXPECT_EQ(shown(), QString());
  form->registrationGroup->setEnabled(true);
  EXPECT_EQ(shown(), QStringLiteral("Открывает файл теста"));
  rest_at(Centre("Button2"));
  EXPECT_EQ(shown(), QString());
  form->startButton->setEnabled(true);
  EXPECT_EQ(shown(), QStringLiteral("Начать выполнение теста"));

  // The question area takes the window: what lies under the pointer now,
  // where the edit boxes were.
  const QPoint on_scale(150, 20);  // Edit1 now, the track bar then
  const QPoint on_options(150, 300);  // Label10 now, the options then
  ASSERT_TRUE(InWindow("Edit1").contains(on_scale));
  rest_at(on_scale);
  EXPECT_EQ(shown(), QStringLiteral("Введите свою фмилию, имя, отчество"));
  HideTopGroups();
  EXPECT_EQ(shown(), QStringLiteral("Шкала вопросов"));
  rest_at(on_options);
  EXPECT_EQ(shown(), QStringLiteral("Варианты ответов"));
  // The report box comes in front of the options.
  form->optionGroup->hide();
  form->reportBox->show();
  EXPECT_EQ(shown(), QStringLiteral("Результаты выполненого теста"));
  form->reportBox->hide();
  EXPECT_EQ(shown(), QString()) << "the question area has no hint";

  // A pointer outside the window is left to the window's Leave.
  form->statusBar->showMessage(QStringLiteral("как было"));
  rest_at(QPoint(-50, -50));
  form->optionGroup->show();
  EXPECT_EQ(shown(), QStringLiteral("как было"));
}

TEST_F(MainWindow, FailureInAHandlerShowsTheErrorBoxAndTheLoopGoesOn) {
  std::vector<std::pair<QString, QString>> boxes;
  ui::MessageDialog::SetAnswer([&](QMessageBox& box) {
    boxes.emplace_back(box.windowTitle(), box.text());
    return QMessageBox::Ok;
  });
  form->openButton->setEnabled(true);
  int after = 0;
  // Handlers are connected through the guard.
  QObject::connect(form->openButton, &QPushButton::clicked, form.get(), ui::GuardedSlot([&] {
                     throw std::runtime_error("Unable to write to /x");
                     ++after;
                   }));
  QTest::mouseClick(form->openButton, Qt::LeftButton);
  ui::MessageDialog::SetAnswer({});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, QStringLiteral("Миравель"));
  EXPECT_EQ(boxes[0].second, QStringLiteral("Unable to write to /x."));
  EXPECT_EQ(after, 0) << "the failure ended the handler";
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader gets from the two windows. In every stage of a run
// (registration, the test's header shown, a question shown, the end screen,
// the password window, the report) a walk over QAccessible from the window
// reaches every control with the role of its kind, a name a person
// understands, its value and its state; and what a screen reader does
// through the same interfaces (set a value, toggle an option) works.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QMetaEnum>
#include <QStringList>
#include <QTest>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "run_test_support.h"

namespace miravel::run::testing_support {
namespace {

using Role = QAccessible::Role;

QString Str(const char* utf8) { return QString::fromUtf8(utf8); }

QString RoleName(Role role) {
  const char* key = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
  return key != nullptr ? QString::fromLatin1(key) : QString::number(role);
}

// What one control must show a screen reader.
struct Expected {
  const char* object;  // objectName; "RadioGroup1/N" for the group's N-th option
  Role role;
  QString name;
  // Words for states that must hold: "shown" or "hidden", "enabled" or
  // "disabled", "checked" or "unchecked", "readonly", "editable",
  // "password", "focusable".
  const char* states;
  std::optional<double> value = {};  // the value interface's current value
  std::optional<double> maximum = {};  // ... and its maximum
  std::optional<QString> text = {};  // the text interface's whole text
  std::optional<QString> description = {};
};

enum class Window { Main, Password };

enum class StageId { Registration, HeaderShown, QuestionShown, EndScreen, PasswordWindow, Report };

struct Stage {
  StageId id;
  const char* name;
  Window window;
  std::vector<Expected> controls;
};

// The test every stage runs through: two questions, three minutes.
constexpr int kSeconds = 3 * 60;
const char* const kTestName = "Древний Египет";
const char* const kDescription = "Проверка знаний о Египте";
const char* const kComments = "Выберите один вариант";
const char* const kAllAnswered = "Вы ответили на все вопросы! Пригласите преподавателя для просмотра Ваших результатов";

const std::vector<Stage>& Stages() {
  static const std::vector<Stage> stages = {
      {StageId::Registration,
       "Registration",
       Window::Main,
       {
           {.object = "Form1", .role = Role::Window, .name = Str("Миравель"), .states = "shown"},
           {.object = "GroupBox1", .role = Role::Grouping, .name = Str("Регистрация пользователя"), .states = "shown"},
           {.object = "Label1",
            .role = Role::StaticText,
            .name = Str("Ф.И.О. ..........................."),
            .states = "shown"},
           {.object = "Edit1",
            .role = Role::EditableText,
            .name = Str("Ф.И.О."),
            .states = "shown enabled editable focusable",
            .text = QString(),
            .description = Str("Введите свою фмилию, имя, отчество")},
           {.object = "Label2",
            .role = Role::StaticText,
            .name = Str("№ группы ......................."),
            .states = "shown"},
           {.object = "Edit2",
            .role = Role::EditableText,
            .name = Str("№ группы"),
            .states = "shown enabled editable focusable",
            .text = QString(),
            .description = Str("Введите свою группу")},
           {.object = "Button1",
            .role = Role::Button,
            .name = Str("Открыть"),
            .states = "shown disabled focusable",
            .description = Str("Открывает файл теста")},
           {.object = "Button2", .role = Role::Button, .name = Str("Начать"), .states = "shown disabled"},
           {.object = "Button3", .role = Role::Button, .name = Str("Ответить"), .states = "hidden"},
           {.object = "Button4", .role = Role::Button, .name = Str("Назад"), .states = "hidden"},
           {.object = "Gauge1",
            .role = Role::ProgressBar,
            .name = Str("Оценка оставшегося времени"),
            .states = "shown"},
           {.object = "GroupBox2", .role = Role::Grouping, .name = Str("Информация о тесте"), .states = "shown"},
           {.object = "Label4", .role = Role::StaticText, .name = Str("Название теста"), .states = "shown"},
           {.object = "Label3",
            .role = Role::StaticText,
            .name = Str("---тест не выбран---"),
            .states = "shown",
            .description = Str("Название теста")},
           {.object = "Label10",
            .role = Role::StaticText,
            .name = Str("Количество вопросов в тесте:"),
            .states = "shown"},
           {.object = "Label11", .role = Role::StaticText, .name = Str("00"), .states = "shown"},
           {.object = "Label13", .role = Role::StaticText, .name = Str("минут"), .states = "shown"},
           {.object = "TrackBar1",
            .role = Role::Slider,
            .name = Str("Шкала вопросов"),
            .states = "disabled",
            .value = 1},
           {.object = "Memo1",
            .role = Role::EditableText,
            .name = Str("Результаты выполненого теста"),
            .states = "hidden readonly"},
           {.object = "StatusBar1", .role = Role::StatusBar, .name = QString(), .states = "shown"},
       }},
      {StageId::HeaderShown,
       "HeaderShown",
       Window::Main,
       {
           {.object = "Edit1",
            .role = Role::EditableText,
            .name = Str("Ф.И.О."),
            .states = "shown enabled",
            .text = Str("Иванов Иван")},
           {.object = "Edit2",
            .role = Role::EditableText,
            .name = Str("№ группы"),
            .states = "shown enabled",
            .text = Str("ГР-11")},
           {.object = "Button1", .role = Role::Button, .name = Str("Открыть"), .states = "shown enabled"},
           {.object = "Button2", .role = Role::Button, .name = Str("Начать"), .states = "shown enabled focusable"},
           {.object = "Label3", .role = Role::StaticText, .name = Str(kTestName), .states = "shown"},
           {.object = "Label5", .role = Role::StaticText, .name = Str(kDescription), .states = "shown"},
           {.object = "Label8", .role = Role::StaticText, .name = Str(kComments), .states = "shown"},
           {.object = "Label11", .role = Role::StaticText, .name = Str("2"), .states = "shown"},
           {.object = "Label12", .role = Role::StaticText, .name = Str("3"), .states = "shown"},
           {.object = "Gauge1",
            .role = Role::ProgressBar,
            .name = Str("Оценка оставшегося времени"),
            .states = "shown",
            .value = kSeconds,
            .maximum = kSeconds},
       }},
      {StageId::QuestionShown,
       "QuestionShown",
       Window::Main,
       {
           {.object = "GroupBox1", .role = Role::Grouping, .name = Str("Регистрация пользователя"), .states = "hidden"},
           {.object = "Edit1", .role = Role::EditableText, .name = Str("Ф.И.О."), .states = "hidden"},
           {.object = "GroupBox2", .role = Role::Grouping, .name = Str("Информация о тесте"), .states = "hidden"},
           {.object = "Label14", .role = Role::StaticText, .name = Str("Вопрос №"), .states = "shown"},
           {.object = "Label15", .role = Role::StaticText, .name = Str("1"), .states = "shown"},
           {.object = "TrackBar1",
            .role = Role::Slider,
            .name = Str("Шкала вопросов"),
            .states = "shown enabled focusable",
            .value = 1,
            .maximum = 3},
           {.object = "Label16",
            .role = Role::StaticText,
            .name = Str("Вопрос 1"),
            .states = "shown",
            .description = Str("Наименование вопроса")},
           {.object = "RadioGroup1",
            .role = Role::Grouping,
            .name = Str("Варианты ответов"),
            .states = "shown enabled"},
           {.object = "RadioGroup1/0",
            .role = Role::RadioButton,
            .name = Str("1-0"),
            .states = "shown enabled unchecked"},
           {.object = "RadioGroup1/1",
            .role = Role::RadioButton,
            .name = Str("1-1"),
            .states = "shown enabled checked focusable"},
           {.object = "RadioGroup1/2",
            .role = Role::RadioButton,
            .name = Str("1-2"),
            .states = "shown enabled unchecked"},
           {.object = "RadioGroup1/3",
            .role = Role::RadioButton,
            .name = Str("1-3"),
            .states = "shown enabled unchecked"},
           {.object = "Button2", .role = Role::Button, .name = Str("Начать"), .states = "hidden"},
           {.object = "Button3", .role = Role::Button, .name = Str("Ответить"), .states = "shown enabled"},
           {.object = "Button4",
            .role = Role::Button,
            .name = Str("Назад"),
            .states = "shown disabled",
            .description = Str("Перейти к предыдущему вопросу")},
           {.object = "Gauge1",
            .role = Role::ProgressBar,
            .name = Str("Оценка оставшегося времени"),
            .states = "shown",
            .value = kSeconds,
            .maximum = kSeconds},
       }},
      {StageId::EndScreen,
       "EndScreen",
       Window::Main,
       {
           {.object = "Label16", .role = Role::StaticText, .name = Str(kAllAnswered), .states = "shown"},
           {.object = "Label14", .role = Role::StaticText, .name = Str("Иванов Иван\rГР-11"), .states = "shown"},
           {.object = "Label15", .role = Role::StaticText, .name = Str("2"), .states = "hidden"},
           {.object = "RadioGroup1", .role = Role::Grouping, .name = Str("Варианты ответов"), .states = "hidden"},
           {.object = "Button3", .role = Role::Button, .name = Str("Отчет"), .states = "shown enabled"},
           {.object = "Button4", .role = Role::Button, .name = Str("Назад"), .states = "shown disabled"},
           {.object = "TrackBar1",
            .role = Role::Slider,
            .name = Str("Шкала вопросов"),
            .states = "shown disabled",
            .value = 3},
           {.object = "Memo1",
            .role = Role::EditableText,
            .name = Str("Результаты выполненого теста"),
            .states = "hidden"},
       }},
      {StageId::PasswordWindow,
       "PasswordWindow",
       Window::Password,
       {
           {.object = "PasswordDlg", .role = Role::Dialog, .name = Str("Просмотр отчета"), .states = "shown"},
           {.object = "Label1", .role = Role::StaticText, .name = Str("Введите пароль"), .states = "shown"},
           {.object = "Password",
            .role = Role::EditableText,
            .name = Str("Введите пароль"),
            .states = "shown enabled editable password focusable"},
           {.object = "OKBtn", .role = Role::Button, .name = Str("OK"), .states = "shown enabled"},
           {.object = "CancelBtn", .role = Role::Button, .name = Str("Cancel"), .states = "shown enabled"},
       }},
      {StageId::Report,
       "Report",
       Window::Main,
       {
           {.object = "Label16", .role = Role::StaticText, .name = Str("Итого:"), .states = "shown"},
           {.object = "Label17", .role = Role::StaticText, .name = Str("Правильных ответов: 1"), .states = "shown"},
           {.object = "Label18", .role = Role::StaticText, .name = Str("Неправильных ответов: 1"), .states = "shown"},
           {.object = "JournalChangedLabel",
            .role = Role::StaticText,
            .name = Str("Внимание: журнал ответов изменен в обход программы"),
            .states = "hidden"},
           {.object = "Button3", .role = Role::Button, .name = Str("Отчет"), .states = "shown disabled"},
           {.object = "Memo1",
            .role = Role::EditableText,
            .name = Str("Результаты выполненого теста"),
            .states = "shown readonly focusable",
            .description = Str("Результаты выполненого теста")},
       }},
  };
  return stages;
}

// Every interface under `root` (itself included) by the objectName of its
// object, reached as a screen reader reaches them: through child(). The
// radio buttons of the option group are keyed "RadioGroup1/N" in order.
std::map<QString, QAccessibleInterface*> Walk(QAccessibleInterface* root) {
  std::map<QString, QAccessibleInterface*> found;
  std::vector<QAccessibleInterface*> todo{root};
  while (!todo.empty()) {
    QAccessibleInterface* iface = todo.back();
    todo.pop_back();
    const QObject* object = iface->object();
    const QString name = object != nullptr ? object->objectName() : QString();
    if (!name.isEmpty()) found.emplace(name, iface);
    int options = 0;
    for (int i = 0; i < iface->childCount(); ++i) {
      QAccessibleInterface* child = iface->child(i);
      if (child == nullptr) continue;
      if (name == QStringLiteral("RadioGroup1") && child->role() == Role::RadioButton)
        found.emplace(QStringLiteral("RadioGroup1/%1").arg(options++), child);
      todo.push_back(child);
    }
  }
  return found;
}

// The words of `words` whose states do not hold for `iface`.
QStringList MissingStates(QAccessibleInterface* iface, const char* words) {
  const QAccessible::State s = iface->state();
  const std::map<QString, bool> holds = {{"shown", !s.invisible},      {"hidden", s.invisible},
                                         {"enabled", !s.disabled},     {"disabled", s.disabled},
                                         {"checked", s.checked},       {"unchecked", s.checkable && !s.checked},
                                         {"readonly", s.readOnly},     {"editable", s.editable},
                                         {"password", s.passwordEdit}, {"focusable", s.focusable}};
  QStringList missing;
  for (const QString& word : QString::fromLatin1(words).split(u' ', Qt::SkipEmptyParts)) {
    const auto it = holds.find(word);
    if (it == holds.end()) missing << QStringLiteral("(no such state word: %1)").arg(word);
    else if (!it->second) missing << word;
  }
  return missing;
}

QString WholeText(QAccessibleInterface* iface) {
  QAccessibleTextInterface* text = iface->textInterface();
  return text != nullptr ? text->text(0, text->characterCount()) : QStringLiteral("(not readable as text)");
}

class Accessibility : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    path = File("egypt.DLL");
    TestFileBuilder()
        .Header(kTestName, kDescription, kComments)
        .Plain("Option", "QwCount", "2")
        .Plain("Option", "Time", "3")
        .Questions(2)
        .Save(path);
  }

  // Brings the run to `stage`: question 1 answered right (option 1),
  // question 2 wrong (option 3 of 2).
  void Reach(StageId stage) {
    if (stage == StageId::Registration) return;
    if (stage == StageId::HeaderShown) {
      Register();
      Open(path);
      return;
    }
    StartTest(path);
    Pick(1);
    if (stage == StageId::QuestionShown) return;
    Answer();
    Pick(3);
    Answer();
    if (stage == StageId::EndScreen) return;
    Answer();  // "Отчет"
    QApplication::processEvents();
    if (stage == StageId::PasswordWindow) return;
    TypePassword(QStringLiteral("407152"));
  }

  // The controls of `window` as a screen reader reaches them.
  std::map<QString, QAccessibleInterface*> Controls(QWidget* window) {
    QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window);
    EXPECT_NE(root, nullptr);
    return root != nullptr ? Walk(root) : std::map<QString, QAccessibleInterface*>{};
  }

  QAccessibleInterface* Control(QWidget* window, const QString& name) {
    const auto controls = Controls(window);
    const auto it = controls.find(name);
    EXPECT_NE(it, controls.end()) << name.toStdString() << " is not reached from its window";
    return it != controls.end() ? it->second : nullptr;
  }

  std::string path;
};

class EveryStage : public Accessibility, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(EveryStage, EachControlHasTheRoleNameValueAndStateOfItsKind) {
  const Stage& stage = Stages()[GetParam()];
  Reach(stage.id);
  QWidget* window = stage.window == Window::Main ? static_cast<QWidget*>(form.get()) : dlg.get();
  ASSERT_TRUE(window->isVisible());
  const auto controls = Controls(window);

  for (const Expected& e : stage.controls) {
    SCOPED_TRACE(e.object);
    const auto it = controls.find(QString::fromLatin1(e.object));
    ASSERT_NE(it, controls.end()) << "not reached from the window";
    QAccessibleInterface* iface = it->second;
    EXPECT_EQ(RoleName(iface->role()), RoleName(e.role));
    EXPECT_EQ(iface->text(QAccessible::Name).toStdString(), e.name.toStdString());
    EXPECT_EQ(MissingStates(iface, e.states).join(u' ').toStdString(), "") << "wanted: " << e.states;
    if (e.value || e.maximum) {
      QAccessibleValueInterface* value = iface->valueInterface();
      ASSERT_NE(value, nullptr) << "no value";
      if (e.value) {
        EXPECT_EQ(value->currentValue().toDouble(), *e.value);
      }
      if (e.maximum) {
        EXPECT_EQ(value->maximumValue().toDouble(), *e.maximum);
      }
    }
    if (e.text) {
      EXPECT_EQ(WholeText(iface).toStdString(), e.text->toStdString());
    }
    if (e.description) {
      EXPECT_EQ(iface->text(QAccessible::Description).toStdString(), e.description->toStdString());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Run, EveryStage, ::testing::Range<std::size_t>(0, Stages().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& stage) {
                           return std::string(Stages()[stage.param].name);
                         });

TEST_F(Accessibility, EachEditIsLabelledByTheLabelBesideIt) {
  dlg->show();
  struct Case {
    QWidget* window;
    const char* edit;
    const char* label;
  };
  for (const Case& c : {Case{form.get(), "Edit1", "Label1"}, Case{form.get(), "Edit2", "Label2"},
                        Case{dlg.get(), "Password", "Label1"}}) {
    SCOPED_TRACE(c.edit);
    QAccessibleInterface* edit = Control(c.window, QString::fromLatin1(c.edit));
    ASSERT_NE(edit, nullptr);
    // The label beside it (a group box's title labels what it holds too).
    const QObject* label = edit->object()->parent()->findChild<QObject*>(QString::fromLatin1(c.label));
    ASSERT_NE(label, nullptr);
    QStringList labels;
    for (const auto& [by, relation] : edit->relations(QAccessible::Label))
      if (by->object() == label) labels << by->text(QAccessible::Name);
    EXPECT_EQ(labels.size(), 1) << "labelled by " << c.label;
  }
}

TEST_F(Accessibility, AScreenReaderChoosesOneOptionAtATimeAndTheAnswerIsRecorded) {
  StartTest(path);
  const auto option = [this](int k) { return Control(form.get(), QStringLiteral("RadioGroup1/%1").arg(k)); };
  // Toggling each option in turn leaves it alone checked.
  for (int k : {2, 0, 3, 1}) {
    SCOPED_TRACE(k);
    QAccessibleActionInterface* action = option(k)->actionInterface();
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    action->doAction(QAccessibleActionInterface::toggleAction());
    for (int other = 0; other < 4; ++other) EXPECT_EQ(option(other)->state().checked, other == k) << other;
  }
  // Pressing "Ответить" as a screen reader does records option 1, right.
  Control(form.get(), QStringLiteral("Button3"))
      ->actionInterface()
      ->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return Control(form.get(), QStringLiteral("Label16"))->text(QAccessible::Name) == QStringLiteral("Вопрос 2");
  }));
  Back();
  EXPECT_TRUE(option(1)->state().checked) << "the answer given through the options' actions was recorded";
}

TEST_F(Accessibility, TheScaleAndTheGaugeReportTheirValuesAsTheRunGoesOn) {
  StartTest(path);
  QAccessibleInterface* gauge = Control(form.get(), QStringLiteral("Gauge1"));
  QAccessibleInterface* scale = Control(form.get(), QStringLiteral("TrackBar1"));
  ASSERT_NE(gauge->valueInterface(), nullptr);
  ASSERT_NE(scale->valueInterface(), nullptr);
  struct Step {
    int ticks;  // timer ticks before the step
    int position;  // the scale's value set as a screen reader sets it
    const char* question;
  };
  int seconds = kSeconds;
  for (const Step& step : {Step{10, 2, "Вопрос 2"}, Step{1, 1, "Вопрос 1"}, Step{25, 2, "Вопрос 2"}}) {
    SCOPED_TRACE(step.question);
    Ticks(step.ticks);
    seconds -= step.ticks;
    EXPECT_EQ(gauge->valueInterface()->currentValue().toInt(), seconds);
    scale->valueInterface()->setCurrentValue(step.position);
    EXPECT_EQ(scale->valueInterface()->currentValue().toInt(), step.position);
    EXPECT_EQ(Control(form.get(), QStringLiteral("Label16"))->text(QAccessible::Name).toStdString(), step.question);
    EXPECT_EQ(Control(form.get(), QStringLiteral("Label15"))->text(QAccessible::Name).toStdString(),
              std::to_string(step.position));
  }
}

TEST_F(Accessibility, TheReportBoxReadsAsTheReportsLines) {
  Reach(StageId::Report);
  const QString text = WholeText(Control(form.get(), QStringLiteral("Memo1")));
  // The report box's lines in order, each found after the one before.
  const QStringList lines = {Str("ВОПРОС № 1 ---ВЕРНО---"), Str("ВОПРОС № 2 ---ОШИБКА---"), Str("Вопрос 2"),
                             Str("Вы ответили: 2-3"), Str("Правильный вариант 2-2")};
  qsizetype from = 0;
  for (const QString& line : lines) {
    const qsizetype at = text.indexOf(line, from);
    EXPECT_GE(at, from) << line.toStdString() << " in: " << text.toStdString();
    if (at >= 0) from = at + line.size();
  }
}

}  // namespace
}  // namespace miravel::run::testing_support

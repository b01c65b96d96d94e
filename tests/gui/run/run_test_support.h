// SPDX-License-Identifier: GPL-3.0-or-later
// A whole run on the real windows for tests: the main window, its controller
// and the password window, with the operating system faked where a test must
// choose (profile folder, date, random number) and real where files are
// concerned; test files made from plain texts; the open-file dialog and the
// error box answered without blocking.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTest>
#include <array>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "platform/cp1251.h"
#include "platform/os_services.h"
#include "platform/profile_file.h"
#include "run/controller.h"
#include "testdata/cipher.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/main_window.h"
#include "ui/report_password_dialog.h"
#include "ui_test_support.h"

namespace miravel::run::testing_support {

namespace stdfs = std::filesystem;

// The system with a chosen profile folder, date and random number; files are
// real. Hidden marks are noted, since Linux has none.
class FakeOs : public os::SystemServices {
 public:
  std::string profile;
  std::string date = "10.12.2026";
  unsigned random_result = 7;  // kept below the bound asked for
  std::vector<std::string> hidden;

  std::string ProfileFolder() override { return profile; }
  std::string ShortDateText() override { return date; }
  void SetHidden(const std::string& path) override { hidden.push_back(path); }
  unsigned Random(unsigned bound) override { return bound == 0 ? 0 : random_result % bound; }
};

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Windows-1251 bytes of a UTF-8 text.
inline Text W(const std::string& utf8) { return cp1251::FromUtf8(utf8); }

// A test file made from plain UTF-8 texts, enciphered as a real one is.
class TestFileBuilder {
 public:
  // Texts that are enciphered.
  TestFileBuilder& Text(const std::string& section, const std::string& key, const std::string& utf8) {
    doc_.Set(W(section), W(key), testdata::Cr(W(utf8)));
    return *this;
  }
  // Values stored as they are (numbers, answer codes).
  TestFileBuilder& Plain(const std::string& section, const std::string& key, const std::string& value) {
    doc_.Set(W(section), W(key), W(value));
    return *this;
  }
  TestFileBuilder& Header(const std::string& name, const std::string& desc, const std::string& comments) {
    return Text("Main", "TestName", name).Text("Main", "Desc", desc).Text("Main", "Komment", comments);
  }
  // Question n with its four options and answer code.
  TestFileBuilder& Question(int n, const std::string& text, const std::array<std::string, 4>& options,
                            const std::string& answer_code) {
    const std::string section = "qw " + std::to_string(n);
    Text(section, "QwText", text);
    for (int k = 0; k < 4; ++k) Text(section, "va" + std::to_string(k), options[static_cast<std::size_t>(k)]);
    return Plain(section, "otv", answer_code);
  }
  // `count` questions "Вопрос n" with options "n-0".."n-3", option n % 4 right.
  TestFileBuilder& Questions(int count) {
    static const char* const kCodes[] = {"@", "&", "%", "#"};
    for (int n = 1; n <= count; ++n) {
      const std::string t = std::to_string(n);
      Question(n, "Вопрос " + t, {t + "-0", t + "-1", t + "-2", t + "-3"}, kCodes[n % 4]);
    }
    return *this;
  }
  void Save(const std::string& path) const { doc_.SaveAs(path); }

 private:
  ProfileDocument doc_;
};

// The program as it starts: the main window (its creation begins the run),
// then the hidden password window, the main window shown.
class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device rd;
    dir = stdfs::temp_directory_path() / ("miravel-run-" + std::to_string(rd()));
    stdfs::create_directories(dir / "home");
    os.profile = (dir / "home").string();
    ui::FileDialog::SetAnswer([this](QFileDialog& d) { return AnswerFileDialog(d); });
    StartProgram();
  }

  void TearDown() override {
    run.reset();
    dlg.reset();
    form.reset();
    ui::FileDialog::SetAnswer({});
    std::error_code ec;
    stdfs::permissions(dir / "home", stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    stdfs::remove_all(dir, ec);
  }

  // Answers the file dialogs: the open dialog with `dialog_answer`.
  virtual bool AnswerFileDialog(QFileDialog& d) {
    ++dialogs;
    if (dialog_answer.empty()) return false;
    d.selectFile(QFile::decodeName(QByteArray::fromStdString(dialog_answer)));
    return true;
  }

  // Starts the program on `services`, the fake system unless given.
  void StartProgram() { StartProgram(os); }
  void StartProgram(os::Services& services) {
    form = std::make_unique<ui::MainWindow>();
    run = std::make_unique<Controller>(*form, services);
    dlg = std::make_unique<ui::ReportPasswordDialog>();
    run->attachPasswordDialog(*dlg);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::setActiveWindow(form.get());
  }

  // Ends the program (without closing its window) and starts it again.
  void Restart() { Restart(os); }
  void Restart(os::Services& services) {
    run.reset();
    dlg.reset();
    form.reset();
    StartProgram(services);
  }

  // The file `name` (UTF-8) in the test's folder: as a QString, and as the
  // program holds a file chosen in its dialog, in the system's encoding of
  // file names and with its separators.
  QString Path(const std::string& name) const {
    const std::u8string folder = dir.u8string();
    return QDir::toNativeSeparators(
        QString::fromUtf8(reinterpret_cast<const char*>(folder.data()), static_cast<qsizetype>(folder.size())) +
        QLatin1Char('/') + QString::fromStdString(name));
  }
  std::string File(const std::string& name) const { return QFile::encodeName(Path(name)).toStdString(); }

  // Types the name and the group as a student does.
  void Register(const QString& name = QStringLiteral("Иванов Иван"), const QString& group = QStringLiteral("гр-11")) {
    form->nameEdit->setFocus();
    ui::testing_support::Type(form->nameEdit, name);
    form->groupEdit->setFocus();
    ui::testing_support::Type(form->groupEdit, group);
  }

  // Opens the test file at `path` with Button1.
  void Open(const std::string& path) {
    dialog_answer = path;
    QTest::mouseClick(form->openButton, Qt::LeftButton);
    dialog_answer.clear();
  }

  // Registration, opening and Start; real timer ticks are kept away unless
  // `real_timer`, so that tests run the time-out themselves.
  void StartTest(const std::string& path, bool real_timer = false) {
    Register();
    Open(path);
    if (!real_timer) form->countdown->setInterval(24 * 60 * 60 * 1000);
    QTest::mouseClick(form->startButton, Qt::LeftButton);
  }

  // The student picks option `k` of the question shown.
  void Pick(int k) { QTest::mouseClick(form->optionGroup->option(k), Qt::LeftButton); }
  void Answer() { QTest::mouseClick(form->answerButton, Qt::LeftButton); }
  void Back() { QTest::mouseClick(form->backButton, Qt::LeftButton); }

  // Runs the timer's handler as a tick does, `n` times.
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) ui::Guarded([this] { run->tick(); });
  }

  // The teacher types `password` and presses Enter; returns once the check,
  // which runs beside the window, has given its verdict.
  void TypePassword(const QString& password) {
    dlg->passwordEdit->clear();
    dlg->passwordEdit->setFocus();
    ui::testing_support::Type(dlg->passwordEdit, password);
    QTest::keyClick(dlg->passwordEdit, Qt::Key_Return);
    WaitForPasswordCheck();
  }
  void WaitForPasswordCheck() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return !run->run().passwordTries().checking(); }, 10000))
        << "the password check gave no verdict";
    // Once the password window is gone, the keyboard is back in the main one.
    if (!dlg->isVisible()) {
      EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == form.get(); }, 2000));
    }
  }

  stdfs::path dir;
  FakeOs os;
  std::string dialog_answer;  // empty: the dialog is cancelled
  int dialogs = 0;
  ui::testing_support::BoxRecorder boxes;
  std::unique_ptr<ui::MainWindow> form;
  std::unique_ptr<ui::ReportPasswordDialog> dlg;
  std::unique_ptr<Controller> run;
};

}  // namespace miravel::run::testing_support

// SPDX-License-Identifier: GPL-3.0-or-later
// The end of the user's session on Windows, on the real "windows" platform:
// the messages are sent to the main window's own window handle, as Windows
// sends them at log-off or shutdown, in the middle of a run whose answer
// journal is on disk.
#include "app/session_end.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "run_test_support.h"

namespace miravel::app {
namespace {

using namespace run::testing_support;

class SessionEnd : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    filter = std::make_unique<SessionEndFilter>(*form);
    QCoreApplication::instance()->installNativeEventFilter(filter.get());
    const std::string path = File("three.DLL");
    TestFileBuilder()
        .Header("Тест", "", "")
        .Plain("Option", "QwCount", "3")
        .Plain("Option", "Time", "1")
        .Questions(3)
        .Save(path);
    StartTest(path);
    Pick(1);
    Answer();
    journal = run->run().journal().Path();
    ASSERT_TRUE(stdfs::exists(journal)) << "the first answer is recorded";
  }

  void TearDown() override {
    QCoreApplication::instance()->removeNativeEventFilter(filter.get());
    filter.reset();
    RunFixture::TearDown();
  }

  // Sends `message` to the main window's handle and gives its answer.
  LRESULT Send(UINT message, WPARAM wparam) {
    const auto handle = reinterpret_cast<HWND>(form->winId());
    return SendMessageW(handle, message, wparam, ENDSESSION_LOGOFF);
  }

  // Runs `step` from inside the event loop, then the loop until it is told
  // to end; its exit status, or nothing when it still runs after 10 s.
  static std::optional<int> RunEventLoop(const std::function<void()>& step) {
    bool timed_out = false;
    QTimer::singleShot(0, step);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&timed_out] {
      timed_out = true;
      QCoreApplication::exit(-1);
    });
    deadline.start(10000);
    const int status = QApplication::exec();
    if (timed_out) return std::nullopt;
    return status;
  }

  std::unique_ptr<SessionEndFilter> filter;
  std::string journal;
};

TEST_F(SessionEnd, TheSessionMayEndAndItsEndClosesTheWindowAsTheCloseBoxDoes) {
  EXPECT_EQ(Send(WM_QUERYENDSESSION, 0), TRUE) << "the program does not hold the session up";
  EXPECT_TRUE(form->isVisible()) << "only asked: nothing is closed yet";
  EXPECT_TRUE(stdfs::exists(journal));

  const std::optional<int> status = RunEventLoop([this] { Send(WM_ENDSESSION, TRUE); });
  ASSERT_TRUE(status.has_value()) << "the event loop did not end";
  EXPECT_EQ(*status, 0);
  EXPECT_TRUE(filter->closed());
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(stdfs::exists(journal)) << "closing deletes the journal";
  EXPECT_TRUE(boxes.boxes.empty());

  // Every top-level window is told; a second one changes nothing.
  Send(WM_ENDSESSION, TRUE);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(SessionEnd, ASessionThatGoesOnChangesNothing) {
  EXPECT_EQ(Send(WM_QUERYENDSESSION, 0), TRUE);
  Send(WM_ENDSESSION, FALSE);
  EXPECT_FALSE(filter->closed());
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(stdfs::exists(journal));
  // The run goes on: the next answer is recorded.
  Pick(2);
  Answer();
  EXPECT_EQ(form->questionNumberLabel->text(), QStringLiteral("3"));
}

TEST_F(SessionEnd, AModalDialogThatIsOpenIsDismissedFirst) {
  QDialog dialog(form.get());
  dialog.setModal(true);
  std::optional<int> dialog_result;
  const std::optional<int> status = RunEventLoop([&] {
    QTimer::singleShot(0, [this] { Send(WM_ENDSESSION, TRUE); });
    dialog_result = dialog.exec();  // returns once the message has been answered
  });
  ASSERT_TRUE(status.has_value()) << "the event loop did not end";
  EXPECT_EQ(*status, 0);
  ASSERT_TRUE(dialog_result.has_value());
  EXPECT_EQ(*dialog_result, QDialog::Rejected) << "dismissed as Esc would";
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(stdfs::exists(journal));
}

}  // namespace
}  // namespace miravel::app

// The real windows platform (it needs a display: under Wine, an X server).
int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "windows");
  // The test answers the file dialog through its seam, which a native
  // dialog that never ran cannot take.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

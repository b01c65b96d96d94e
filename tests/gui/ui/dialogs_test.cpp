// SPDX-License-Identifier: GPL-3.0-or-later
// The file dialogs' seam, which answers one dialog or every one, and the
// open-file dialog: every opening answers with what was named in its own
// dialog, starts in the folder of the file chosen before (or at the start
// file until then), and keeps the filter and the absent title.
#include "ui/dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QWidget>
#include <functional>
#include <ostream>
#include <vector>

// Failures show file and folder names as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }

namespace miravel::ui {
namespace {

// What the test hook saw of one dialog.
struct Seen {
  QPointer<QFileDialog> dialog;
  QString folder;
  QStringList filters;
  QString title;
  QString object_name;
  QStringList selected;  // as the dialog started
};

class OpenDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    const QDir root(temp_.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("one")));
    ASSERT_TRUE(root.mkpath(QStringLiteral("two")));
    one_ = root.filePath(QStringLiteral("one"));
    two_ = root.filePath(QStringLiteral("two"));
    for (const QString& name : {one_ + "/a.DLL", one_ + "/b.DLL", two_ + "/c.DLL"}) {
      QFile file(name);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
  }
  void TearDown() override {
    FileDialog::SetNextAnswer({});
    FileDialog::SetAnswer({});
  }

  // Runs one opening whose dialog is answered by `answer`; records what the
  // hook saw.
  bool Open(const std::function<bool(QFileDialog&)>& answer) {
    FileDialog::SetNextAnswer(Recording(answer));
    return dialog_.Execute();
  }

  // `answer`, recording what it saw of the dialog first.
  FileDialog::Answer Recording(const std::function<bool(QFileDialog&)>& answer) {
    return [this, answer](QFileDialog& d) {
      seen_.push_back({&d, QDir(d.directory()).absolutePath(), d.nameFilters(), d.windowTitle(), d.objectName(),
                       d.selectedFiles()});
      return answer(d);
    };
  }

  static std::function<bool(QFileDialog&)> Select(const QString& file) {
    return [file](QFileDialog& d) {
      d.selectFile(file);
      return true;
    };
  }

  // Types `name` into the dialog's file-name box, as the user does.
  static std::function<bool(QFileDialog&)> Type(const QString& name) {
    return [name](QFileDialog& d) {
      auto* box = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      EXPECT_NE(box, nullptr);
      if (box == nullptr) return false;
      box->setText(name);
      return true;
    };
  }

  static QString DefaultFolder() { return QDir(QFileDialog().directory()).absolutePath(); }

  QTemporaryDir temp_;
  QString one_;
  QString two_;
  QWidget owner_;
  OpenDialog dialog_{&owner_, QStringLiteral("OpenDialog1"), QStringLiteral("Файл теста|*.DLL")};
  std::vector<Seen> seen_;
};

TEST_F(OpenDialogTest, EachOpeningAnswersWithWhatWasNamedInIt) {
  // A file picked, then another name typed into the next dialog's file-name
  // box: the second opening gives the typed name, not the earlier pick.
  ASSERT_TRUE(Open(Select(one_ + "/a.DLL")));
  EXPECT_EQ(dialog_.FileName(), one_ + "/a.DLL");
  ASSERT_TRUE(Open(Type(QStringLiteral("b.DLL"))));
  EXPECT_EQ(dialog_.FileName(), one_ + "/b.DLL");
  ASSERT_TRUE(Open(Select(two_ + "/c.DLL")));
  EXPECT_EQ(dialog_.FileName(), two_ + "/c.DLL");
  // A name that does not exist may be typed, too.
  ASSERT_TRUE(Open(Type(QStringLiteral("new.DLL"))));
  EXPECT_EQ(dialog_.FileName(), two_ + "/new.DLL");

  ASSERT_EQ(seen_.size(), 4U);
  for (const Seen& s : seen_) {
    EXPECT_TRUE(s.dialog.isNull()) << "each dialog is gone once its opening is over";
    EXPECT_EQ(s.filters, QStringList{QStringLiteral("Файл теста (*.DLL)")});
    EXPECT_EQ(s.title, QFileDialog().windowTitle()) << "no title of its own";
    EXPECT_EQ(s.object_name, QStringLiteral("OpenDialog1"));
  }
}

TEST_F(OpenDialogTest, ANextAnswerAnswersOneDialogAndTheStandingAnswerTheOthers) {
  FileDialog::SetAnswer(Recording(Select(two_ + "/c.DLL")));
  FileDialog::SetNextFileName(one_ + "/a.DLL");
  ASSERT_TRUE(dialog_.Execute());
  EXPECT_EQ(dialog_.FileName(), one_ + "/a.DLL");
  EXPECT_TRUE(seen_.empty()) << "the next file name answered, not the standing answer";
  for (int opening = 0; opening < 2; ++opening) {
    ASSERT_TRUE(dialog_.Execute());
    EXPECT_EQ(dialog_.FileName(), two_ + "/c.DLL");
  }
  ASSERT_EQ(seen_.size(), 2U);
  // A next answer that cancels, then the standing one again.
  FileDialog::SetNextAnswer(Recording([](QFileDialog&) { return false; }));
  EXPECT_FALSE(dialog_.Execute());
  EXPECT_EQ(dialog_.FileName(), two_ + "/c.DLL");
  ASSERT_TRUE(dialog_.Execute());
  EXPECT_EQ(seen_.size(), 4U);
  for (const Seen& s : seen_) EXPECT_TRUE(s.dialog.isNull()) << "each answered dialog is gone";
}

TEST_F(OpenDialogTest, ADialogStartsInTheFolderOfTheFileChosenBefore) {
  const QString first_folder = DefaultFolder();
  ASSERT_TRUE(Open(Select(two_ + "/c.DLL")));
  ASSERT_TRUE(Open(Select(one_ + "/a.DLL")));
  // A cancelled opening changes neither the file nor the next folder.
  EXPECT_FALSE(Open([](QFileDialog& d) {
    d.selectFile(QStringLiteral("c.DLL"));
    return false;
  }));
  EXPECT_EQ(dialog_.FileName(), one_ + "/a.DLL");
  // A full name typed while the dialog shows another folder: the next dialog
  // opens in the typed file's folder.
  ASSERT_TRUE(Open(Type(two_ + "/c.DLL")));
  EXPECT_EQ(dialog_.FileName(), two_ + "/c.DLL");
  // A file named in a folder that is then removed: the platform's folder.
  ASSERT_TRUE(QDir(two_).mkdir(QStringLiteral("gone")));
  ASSERT_TRUE(Open(Select(two_ + "/gone/x.DLL")));
  ASSERT_TRUE(QDir(two_ + "/gone").removeRecursively());
  const QString default_folder = DefaultFolder();
  ASSERT_NE(default_folder, QDir(two_ + "/gone").absolutePath());
  EXPECT_FALSE(Open([](QFileDialog&) { return false; }));

  ASSERT_EQ(seen_.size(), 6U);
  const QString expected[] = {first_folder, two_, one_, one_, two_, default_folder};
  for (std::size_t i = 0; i < seen_.size(); ++i)
    EXPECT_EQ(seen_[i].folder, QDir(expected[i]).absolutePath()) << "opening " << i + 1;
}

TEST_F(OpenDialogTest, TheStartFileBeginsTheOpeningsUntilAFileIsChosen) {
  dialog_.SetStartFile(one_ + "/b.DLL");
  // Cancelled: nothing chosen, and the next opening starts there again.
  EXPECT_FALSE(Open([](QFileDialog&) { return false; }));
  EXPECT_EQ(dialog_.FileName(), QString());
  // Accepted as it started: the start file is the one opened.
  ASSERT_TRUE(Open([](QFileDialog&) { return true; }));
  EXPECT_EQ(dialog_.FileName(), one_ + "/b.DLL");
  // From then on the dialog starts where the last opening ended.
  ASSERT_TRUE(Open(Select(two_ + "/c.DLL")));
  EXPECT_FALSE(Open([](QFileDialog&) { return false; }));

  ASSERT_EQ(seen_.size(), 4U);
  for (std::size_t i : {0U, 1U}) {
    EXPECT_EQ(seen_[i].folder, QDir(one_).absolutePath()) << "opening " << i + 1;
    EXPECT_EQ(seen_[i].selected, QStringList{one_ + "/b.DLL"}) << "opening " << i + 1;
  }
  EXPECT_EQ(seen_[2].folder, QDir(one_).absolutePath());
  EXPECT_EQ(seen_[3].folder, QDir(two_).absolutePath());
  EXPECT_NE(seen_[3].selected, QStringList{one_ + "/b.DLL"});
}

TEST_F(OpenDialogTest, AStartFileNamedFromThePresentFolderIsTakenThere) {
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(two_));
  dialog_.SetStartFile(QStringLiteral("c.DLL"));
  ASSERT_TRUE(QDir::setCurrent(before));
  ASSERT_TRUE(Open([](QFileDialog&) { return true; }));
  EXPECT_EQ(dialog_.FileName(), two_ + "/c.DLL");
}

TEST_F(OpenDialogTest, AStartFileThatIsNoFileChangesNothing) {
  // How the dialog starts without a start file.
  EXPECT_FALSE(Open([](QFileDialog&) { return false; }));
  ASSERT_EQ(seen_.size(), 1U);
  const Seen plain = seen_.front();

  struct Case {
    const char* what;
    QString file;
  };
  const Case cases[] = {
      {"no name", QString()},
      {"a file that does not exist", one_ + "/missing.DLL"},
      {"a folder", one_},
      {"a file in a folder that does not exist", one_ + "/none/a.DLL"},
  };
  for (const Case& c : cases) {
    seen_.clear();
    OpenDialog dialog(&owner_, QStringLiteral("OpenDialog1"), QStringLiteral("Файл теста|*.DLL"));
    dialog.SetStartFile(c.file);
    FileDialog::SetNextAnswer(Recording([](QFileDialog&) { return false; }));
    EXPECT_FALSE(dialog.Execute()) << c.what;
    ASSERT_EQ(seen_.size(), 1U) << c.what;
    EXPECT_EQ(seen_[0].folder, plain.folder) << c.what;
    EXPECT_EQ(seen_[0].selected, plain.selected) << c.what;
  }
}

TEST(OpenDialogFilter, DescriptionAndPatternsBecomeAQtNameFilter) {
  struct Case {
    QString filter;
    QString qt;
  };
  const Case cases[] = {
      {QStringLiteral("Файл теста|*.DLL"), QStringLiteral("Файл теста (*.DLL)")},
      {QStringLiteral("Тесты|*.DLL;*.dll"), QStringLiteral("Тесты (*.DLL *.dll)")},
      {QStringLiteral("*.DLL"), QStringLiteral("*.DLL")},
  };
  for (const Case& c : cases) EXPECT_EQ(QtNameFilter(c.filter), c.qt) << c.filter.toStdString();
}

}  // namespace
}  // namespace miravel::ui

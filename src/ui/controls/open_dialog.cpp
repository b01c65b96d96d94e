#include "ui/controls/open_dialog.h"

#include <QFileDialog>
#include <QStringList>
#include <utility>

namespace miravel::ui {
namespace {

OpenDialog::Hook& TestHook() {
  static OpenDialog::Hook hook;
  return hook;
}

}  // namespace

OpenDialog::OpenDialog(QWidget* owner, const QString& object_name, const QString& filter)
    : owner_(owner), object_name_(object_name), filter_(filter) {}

OpenDialog::~OpenDialog() = default;

QString OpenDialog::QtNameFilter(const QString& filter) {
  // "description|pattern[;pattern]" -> "description (pattern pattern)"
  const qsizetype bar = filter.indexOf(u'|');
  if (bar < 0) return filter;
  QString patterns = filter.mid(bar + 1);
  patterns.replace(u';', u' ');
  return filter.left(bar) + QStringLiteral(" (") + patterns + u')';
}

QFileDialog& OpenDialog::Dialog() {
  if (dialog_ == nullptr) {
    // No title and no initial folder of its own: the platform's defaults hold.
    dialog_ = new QFileDialog(owner_);
    dialog_->setObjectName(object_name_);
    dialog_->setAcceptMode(QFileDialog::AcceptOpen);
    dialog_->setFileMode(QFileDialog::AnyFile);  // single selection; need not exist
    dialog_->setNameFilter(QtNameFilter(filter_));
    dialog_->setSizeGripEnabled(true);
    dialog_->setModal(true);
  }
  return *dialog_;
}

bool OpenDialog::Execute() {
  QFileDialog& dialog = Dialog();
  const bool accepted = TestHook() ? TestHook()(dialog) : dialog.exec() == QDialog::Accepted;
  if (!accepted) return false;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return false;
  file_name_ = files.front();
  return true;
}

QString OpenDialog::FileName() const { return file_name_; }

void OpenDialog::SetHookForTests(Hook hook) { TestHook() = std::move(hook); }

}  // namespace miravel::ui

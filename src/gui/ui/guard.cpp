// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/guard.h"

#include <QApplication>
#include <QStringDecoder>
#include <cstring>
#include <exception>
#include <string>

#include "platform/cp1251.h"
#include "ui/dialogs.h"

namespace miravel::ui {

QString ApplicationTitle() { return QStringLiteral("Миравель"); }

QString ErrorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
  return message;
}

QString MessageFromBytes(const char* message) {
  const QByteArrayView bytes(message, static_cast<qsizetype>(std::strlen(message)));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return QString::fromStdString(cp1251::ToUtf8(std::string_view(message, std::strlen(message))));
}

void ShowErrorBox(const QString& text) {
  MessageDialog::Show(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
}

void Guarded(const std::function<void()>& handler) noexcept {
  QString message;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    message = MessageFromBytes(e.what());
  } catch (...) {
    message = QStringLiteral("Unexpected failure");
  }
  try {
    ShowErrorBox(ErrorBoxText(message));
  } catch (...) {
    // Nothing is left to report to; the event loop goes on.
  }
}

}  // namespace miravel::ui

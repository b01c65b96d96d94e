// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/controls/guard.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringDecoder>
#include <cstring>
#include <exception>
#include <string>

#include "platform/cp1251.h"

namespace miravel::ui {
namespace {

ErrorBoxHook& Hook() {
  static ErrorBoxHook hook;
  return hook;
}

}  // namespace

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
  if (Hook()) {
    Hook()(ApplicationTitle(), text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), text, QMessageBox::Ok, QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // a message may hold "<" from a file name
  box.exec();
}

void SetErrorBoxHookForTests(ErrorBoxHook hook) { Hook() = std::move(hook); }

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

// The status line that follows the mouse pointer.
//
// Each time the event loop has worked through its waiting events, the hint of
// the control under the pointer is shown in the status bar:
//  1. the control: the innermost window-owning control under the pointer that
//     is visible and enabled (a disabled one is passed over, so the pointer
//     counts as over its container), then within it the front-most visible
//     label or gauge under the pointer, enabled or not; outside the program's
//     windows there is none;
//  2. its hint; if empty, its container's, and so on outward;
//  3. of a hint with "|", only the text after the first "|";
//  4. shown only when it differs from the last one.
// No control shows its hint as a pop-up tip.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

namespace miravel::ui {

class StatusBar : public QStatusBar {
  Q_OBJECT
  Q_PROPERTY(QString SimpleText READ SimpleText WRITE SetSimpleText)

 public:
  explicit StatusBar(QWidget* parent = nullptr);
  QString SimpleText() const { return currentMessage(); }
  void SetSimpleText(const QString& text) { showMessage(text); }
};

// The control the pointer is over at `pos` in `window`'s coordinates.
QWidget* ControlAt(QWidget& window, QPoint pos);
// The hint the status line shows for `control` (none: empty).
QString StatusHint(const QWidget* control);

class HintTracker : public QObject {
  Q_OBJECT

 public:
  // Watches every event of the application; shows hints in `bar`.
  explicit HintTracker(StatusBar& bar);
  ~HintTracker() override;

  // The update the idle moment runs; tests may call it directly.
  void UpdateNow();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PointerAt(QWidget* widget, QPointF local);

  StatusBar& bar_;
  QTimer idle_;
  QPointer<QWidget> window_;  // the window the pointer is in, if any
  QPoint pos_;                // the pointer, in window_'s coordinates
  QString last_;
};

}  // namespace miravel::ui

// Closes a window whose X11 window someone else destroyed (a crashed window
// manager, `xdotool windowclose`). Qt does not notice that by itself: the
// program would run on with nothing on the screen. Does nothing on other
// platforms.
#pragma once

#include <QAbstractNativeEventFilter>

class QWidget;

namespace rinomina {

class DestroyedWindowWatch : public QAbstractNativeEventFilter {
 public:
  // Watches `window`, which must be shown already (it has its X11 window).
  explicit DestroyedWindowWatch(QWidget& window);

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  QWidget& window_;
  quint32 windowId_;
};

}  // namespace rinomina

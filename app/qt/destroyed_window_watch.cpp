#include "destroyed_window_watch.hpp"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QMetaObject>
#include <QWidget>

namespace rinomina {

DestroyedWindowWatch::DestroyedWindowWatch(QWidget& window)
    : window_(window), windowId_(static_cast<quint32>(window.winId())) {}

bool DestroyedWindowWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY ||
      reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window != windowId_) {
    return false;
  }
  // As if the user had closed it; after the event, not inside Qt's handling of it.
  QMetaObject::invokeMethod(&window_, &QWidget::close, Qt::QueuedConnection);
  return false;
}

}  // namespace rinomina

#include "platform/linux/qt_screens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

// Last: Xlib's macros (Bool, Status, None) clash with Qt's headers.
#include <X11/Xlib.h>

namespace {

bool hasGuiApplication() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance());
}

}  // namespace

std::vector<QRectF> TonnixQtScreens::screenFrames() const {
  if (!hasGuiApplication()) return {};
  std::vector<QRectF> frames;
  for (const QScreen* screen : QGuiApplication::screens()) frames.emplace_back(screen->geometry());
  return frames;
}

std::optional<QPointF> TonnixQtScreens::pointerLocation() const {
  if (!hasGuiApplication() || QGuiApplication::screens().isEmpty()) return std::nullopt;
  return QPointF(QCursor::pos());
}

bool tonnixCanReachDisplay() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

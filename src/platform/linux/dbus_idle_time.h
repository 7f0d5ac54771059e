#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <optional>

// How long the user has not touched the keyboard or mouse, as the desktop
// tells it on the session bus: GNOME's idle monitor, else the
// org.freedesktop.ScreenSaver interface of KDE and others. `done` is called
// once, on the main thread, with milliseconds, or nothing when no desktop
// answers; never after `context` is destroyed.
void queryDesktopIdleTime(QObject* context, std::function<void(std::optional<qint64>)> done,
                          QDBusConnection bus = QDBusConnection::sessionBus());

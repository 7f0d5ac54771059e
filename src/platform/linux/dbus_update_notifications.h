#pragma once

#include <QDBusConnection>

#include "platform/update_notifications.h"

// The update notification through the desktop's notification service
// (org.freedesktop.Notifications). The id the service gives is kept, so
// that the notification can be closed and its clicks told from others'.
class TonnixDBusUpdateNotifications : public TonnixUpdateNotifications {
  Q_OBJECT

 public:
  explicit TonnixDBusUpdateNotifications(QDBusConnection bus = QDBusConnection::sessionBus(),
                                         QObject* parent = nullptr);

  void post(const QString& title, const QString& body) override;
  void withdraw() override;

 private slots:
  void actionInvoked(uint id, const QString& action);
  void notificationClosed(uint id, uint reason);

 private:
  QDBusConnection bus_;
  uint shown_ = 0;
};

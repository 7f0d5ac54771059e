#pragma once

#include <QObject>
#include <QString>

// The desktop notification that tells of an available update. One at a
// time: posting again replaces it. Main thread only.
class TonnixUpdateNotifications : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Shows the notification with a default action. Answers at once; when
  // there is no notification service or it refuses, refused() follows, so
  // that the caller shows the update some other way.
  virtual void post(const QString& title, const QString& body) = 0;
  // Takes the notification back, if one shows.
  virtual void withdraw() = 0;

 signals:
  // The user clicked the notification (its default action).
  void activated();
  void refused();
};

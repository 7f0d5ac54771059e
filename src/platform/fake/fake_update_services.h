#pragma once

#include <QMetaObject>

#include "platform/update_network.h"
#include "platform/update_notifications.h"

// A machine without a network: every fetch fails, a turn of the loop later.
class TonnixFakeUpdateNetwork : public TonnixUpdateNetwork {
 public:
  void fetch(const QUrl&, qint64, QObject* context, Progress, Done done) override {
    QMetaObject::invokeMethod(
        context, [done] { done(unexpected(QStringLiteral("There is no network."))); },
        Qt::QueuedConnection);
  }
  void download(const QUrl&, qint64, QIODevice&, QObject* context, Progress, Saved saved) override {
    QMetaObject::invokeMethod(
        context, [saved] { saved(unexpected(QStringLiteral("There is no network."))); },
        Qt::QueuedConnection);
  }
};

// A desktop without a notification service, unless `isAvailable`; what was
// posted is kept, and click() stands for the user's click.
class TonnixFakeUpdateNotifications : public TonnixUpdateNotifications {
 public:
  void post(const QString& title, const QString&) override {
    if (!isAvailable) {
      emit refused();
      return;
    }
    shown = title;
  }
  void withdraw() override { shown.clear(); }
  void click() { emit activated(); }

  bool isAvailable = false;
  QString shown;
};

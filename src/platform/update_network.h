#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

#include "support/expected.h"

// Fetching an update feed, release notes and archives. A fetch follows a few
// redirects, gives up on a silent server, and stops as soon as more than
// `maximumBytes` arrive, so a hostile server can neither loop nor fill the
// memory. Failures are one sentence a person can read. Main thread only.
class TonnixUpdateNetwork {
 public:
  using Progress = std::function<void(qint64 received, qint64 total)>;
  using Done = std::function<void(TonnixExpected<QByteArray, QString> body)>;

  virtual ~TonnixUpdateNetwork() = default;

  // Starts fetching `url`; `done` is called once, later on the main thread,
  // and neither callback after `context` is destroyed. `progress` may be
  // empty; its total is -1 while unknown.
  virtual void fetch(const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
                     Done done) = 0;
};

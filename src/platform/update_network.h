#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

#include "support/expected.h"

class QIODevice;

// Fetching an update feed, release notes and archives. A fetch follows a few
// redirects, each checked as the first address is, gives up on a silent
// server and on one that trickles past a deadline, and stops as soon as more
// than `maximumBytes` arrive, so a hostile server can neither loop, stall
// the check nor fill the memory or the disk. Failures are one sentence a
// person can read. Main thread only.
class TonnixUpdateNetwork {
 public:
  using Progress = std::function<void(qint64 received, qint64 total)>;
  using Done = std::function<void(TonnixExpected<QByteArray, QString> body)>;
  using Saved = std::function<void(TonnixExpected<TonnixDone, QString> saved)>;

  virtual ~TonnixUpdateNetwork() = default;

  // Starts fetching `url`; `done` is called once, later on the main thread,
  // and neither callback after `context` is destroyed. `progress` may be
  // empty; its total is -1 while unknown.
  virtual void fetch(const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
                     Done done) = 0;
  // As fetch(), but the body is written to `file` (open for writing, kept
  // alive until `saved` is called) as it arrives instead of kept in memory.
  virtual void download(const QUrl& url, qint64 maximumBytes, QIODevice& file, QObject* context,
                        Progress progress, Saved saved) = 0;
};

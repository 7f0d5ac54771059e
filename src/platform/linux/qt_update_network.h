#pragma once

#include <QNetworkAccessManager>

#include "platform/update_network.h"

// Update fetches over QNetworkAccessManager. Only HTTPS, and plain HTTP to
// this machine's own loopback address (a local mirror, or a test server);
// redirects may not lead to a less safe scheme.
class TonnixQtUpdateNetwork : public TonnixUpdateNetwork {
 public:
  static constexpr int maximumRedirects = 5;
  // Without a byte arriving for this long, a fetch gives up.
  static constexpr int silenceTimeoutMilliseconds = 30000;

  void fetch(const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
             Done done) override;

  // Whether Tonnix fetches from `url` at all.
  static bool isAllowed(const QUrl& url);

 private:
  QNetworkAccessManager manager_;
};

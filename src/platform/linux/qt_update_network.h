#pragma once

#include <QNetworkAccessManager>

#include "platform/update_network.h"

// Update fetches over QNetworkAccessManager. Only HTTPS, and plain HTTP to
// this machine's own loopback address (a local mirror, or a test server),
// for the first address and every redirect alike; a redirect may not lead
// from HTTPS to plain HTTP.
class TonnixQtUpdateNetwork : public TonnixUpdateNetwork {
 public:
  static constexpr int maximumRedirects = 5;

  struct Limits {
    // Without a byte arriving for this long, a fetch gives up.
    int silenceMilliseconds = 30'000;
    // A fetch of at most N bytes ends after this long plus N at the slowest
    // rate still worth waiting for, however steadily bytes trickle in.
    int deadlineMilliseconds = 60'000;
    qint64 slowestBytesPerSecond = 32 * 1024;
  };

  TonnixQtUpdateNetwork() = default;
  explicit TonnixQtUpdateNetwork(Limits limits) : limits_(limits) {}

  void fetch(const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
             Done done) override;
  void download(const QUrl& url, qint64 maximumBytes, QIODevice& file, QObject* context,
                Progress progress, Saved saved) override;

  // Whether Tonnix fetches from `url` at all.
  static bool isAllowed(const QUrl& url);

 private:
  using Finished = std::function<void(TonnixExpected<TonnixDone, QString> ended)>;
  // Starts the request; `arrived` takes each piece of the body and says why
  // it cannot keep it, if it cannot.
  void start(const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
             std::function<std::optional<QString>(const QByteArray& piece)> arrived,
             Finished finished);

  Limits limits_{};
  QNetworkAccessManager manager_;
};

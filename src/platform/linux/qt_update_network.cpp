#include "platform/linux/qt_update_network.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>
#include <memory>

namespace {

QString inCircles(const QUrl& url) {
  return QStringLiteral("The update server sent Tonnix around in circles (%1).").arg(url.host());
}

QString failureOf(const QNetworkReply& reply) {
  switch (reply.error()) {
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
      return inCircles(reply.url());
    case QNetworkReply::RemoteHostClosedError:
      return QStringLiteral("The update server hung up before sending everything.");
    case QNetworkReply::OperationCanceledError:
      return QStringLiteral("The update server did not answer in time.");
    default:
      return QStringLiteral("The update server could not be reached: %1.").arg(reply.errorString());
  }
}

QString notAllowed(const QUrl& url) {
  return QStringLiteral("Tonnix fetches updates only over HTTPS, not from %1.")
      .arg(url.toDisplayString());
}

// Why a fetch was stopped before the server ended it.
struct Stop {
  std::optional<QString> reason;
  qint64 received = 0;
  int redirects = 0;
};

}  // namespace

bool TonnixQtUpdateNetwork::isAllowed(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return false;
  if (url.scheme() == u"https") return true;
  if (url.scheme() != u"http") return false;
  if (url.host() == u"localhost") return true;
  return QHostAddress(url.host()).isLoopback();
}

void TonnixQtUpdateNetwork::fetch(const QUrl& url, qint64 maximumBytes, QObject* context,
                                  Progress progress, Done done) {
  auto body = std::make_shared<QByteArray>();
  start(
      url, maximumBytes, context, std::move(progress),
      [body](const QByteArray& piece) -> std::optional<QString> {
        body->append(piece);
        return std::nullopt;
      },
      [body, done](TonnixExpected<TonnixDone, QString> ended) {
        if (!ended) return done(unexpected(ended.error()));
        done(std::move(*body));
      });
}

void TonnixQtUpdateNetwork::download(const QUrl& url, qint64 maximumBytes, QIODevice& file,
                                     QObject* context, Progress progress, Saved saved) {
  start(
      url, maximumBytes, context, std::move(progress),
      [&file](const QByteArray& piece) -> std::optional<QString> {
        if (file.write(piece) == piece.size()) return std::nullopt;
        return QStringLiteral("The update could not be saved: %1").arg(file.errorString());
      },
      std::move(saved));
}

void TonnixQtUpdateNetwork::start(
    const QUrl& url, qint64 maximumBytes, QObject* context, Progress progress,
    std::function<std::optional<QString>(const QByteArray& piece)> arrived, Finished finished) {
  if (!isAllowed(url)) {
    QMetaObject::invokeMethod(
        context, [finished, url] { finished(unexpected(notAllowed(url))); }, Qt::QueuedConnection);
    return;
  }
  QNetworkRequest request(url);
  // Each redirect is looked at below, as the first address was.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::UserVerifiedRedirectPolicy);
  request.setMaximumRedirectsAllowed(maximumRedirects);
  request.setTransferTimeout(limits_.silenceMilliseconds);
  QNetworkReply* reply = manager_.get(request);
  QPointer<QObject> guard(context);
  auto stop = std::make_shared<Stop>();
  const auto stopWith = [reply, stop](const QString& reason) {
    if (stop->reason) return;
    stop->reason = reason;
    reply->abort();
  };
  const auto tooLarge =
      QStringLiteral("The update server sent more than expected, so Tonnix stopped the download.");

  QObject::connect(
      reply, &QNetworkReply::redirected, reply, [reply, stop, stopWith](const QUrl& to) {
        if (++stop->redirects > maximumRedirects) return stopWith(inCircles(to));
        const bool downgrades = reply->url().scheme() == u"https" && to.scheme() != u"https";
        if (downgrades || !isAllowed(to)) return stopWith(notAllowed(to));
        emit reply->redirectAllowed();
      });
  auto* deadline = new QTimer(reply);
  deadline->setSingleShot(true);
  QObject::connect(deadline, &QTimer::timeout, reply, [stopWith] {
    stopWith(QStringLiteral("The update server sent too slowly, so Tonnix stopped waiting."));
  });
  deadline->start(
      std::chrono::milliseconds(limits_.deadlineMilliseconds) +
      std::chrono::seconds(maximumBytes / std::max<qint64>(1, limits_.slowestBytesPerSecond)));
  const auto take = [reply, stop, stopWith, maximumBytes, arrived, tooLarge] {
    const QByteArray piece = reply->readAll();
    if (stop->reason || piece.isEmpty()) return;
    stop->received += piece.size();
    if (stop->received > maximumBytes) return stopWith(tooLarge);
    if (const auto why = arrived(piece)) stopWith(*why);
  };
  // Nothing arrives for a context that is gone, nor into what it owned.
  QObject::connect(reply, &QNetworkReply::readyRead, context, take);
  QObject::connect(context, &QObject::destroyed, reply, &QNetworkReply::abort);
  QObject::connect(reply, &QNetworkReply::downloadProgress, context,
                   [stopWith, maximumBytes, progress, tooLarge](qint64 bytes, qint64 total) {
                     if (bytes > maximumBytes || total > maximumBytes) return stopWith(tooLarge);
                     if (progress) progress(bytes, total);
                   });
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, stop, take, finished] {
    reply->deleteLater();
    if (!guard) return;
    if (reply->error() == QNetworkReply::NoError) take();
    if (stop->reason) return finished(unexpected(*stop->reason));
    if (reply->error() != QNetworkReply::NoError) return finished(unexpected(failureOf(*reply)));
    // A redirect followed without an answer at its end.
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status >= 300) return finished(unexpected(inCircles(reply->url())));
    finished(TonnixDone{});
  });
}

#include "platform/linux/qt_update_network.h"

#include <QHostAddress>
#include <QNetworkReply>
#include <QPointer>
#include <memory>

namespace {

QString failureOf(const QNetworkReply& reply) {
  switch (reply.error()) {
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
      return QStringLiteral("The update server sent Tonnix around in circles (%1).")
          .arg(reply.url().host());
    case QNetworkReply::RemoteHostClosedError:
      return QStringLiteral("The update server hung up before sending everything.");
    case QNetworkReply::OperationCanceledError:
      return QStringLiteral("The update server did not answer in time.");
    default:
      return QStringLiteral("The update server could not be reached: %1.").arg(reply.errorString());
  }
}

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
  if (!isAllowed(url)) {
    QMetaObject::invokeMethod(
        context,
        [done, url] {
          done(unexpected(QStringLiteral("Tonnix fetches updates only over HTTPS, not from %1.")
                              .arg(url.toDisplayString())));
        },
        Qt::QueuedConnection);
    return;
  }
  QNetworkRequest request(url);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setMaximumRedirectsAllowed(maximumRedirects);
  request.setTransferTimeout(silenceTimeoutMilliseconds);
  QNetworkReply* reply = manager_.get(request);
  QPointer<QObject> guard(context);
  auto tooLarge = std::make_shared<bool>(false);
  const auto received = [reply, maximumBytes, tooLarge, progress](qint64 bytes, qint64 total) {
    if (bytes > maximumBytes || total > maximumBytes) {
      *tooLarge = true;
      reply->abort();
      return;
    }
    if (progress) progress(bytes, total);
  };
  QObject::connect(reply, &QNetworkReply::downloadProgress, context, received);
  QObject::connect(reply, &QNetworkReply::finished, reply, [reply, guard, done, tooLarge] {
    reply->deleteLater();
    if (!guard) return;
    if (*tooLarge) {
      done(unexpected(QStringLiteral(
          "The update server sent more than expected, so Tonnix stopped the download.")));
    } else if (reply->error() != QNetworkReply::NoError) {
      done(unexpected(failureOf(*reply)));
    } else {
      done(reply->readAll());
    }
  });
}

#include "app/single_instance.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QUrl>
#include <algorithm>
#include <utility>

namespace fs = std::filesystem;

namespace {

bool isAcceptableToken(const QByteArray& token) {
  return !token.isEmpty() && token.size() <= TonnixSingleInstance::maximumTokenLength &&
         std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

std::optional<QString> openRefusal(const QStringList& uris) {
  if (uris.size() > TonnixSingleInstance::maximumOpenFiles) {
    return QStringLiteral("Tonnix opens at most %1 files at once")
        .arg(TonnixSingleInstance::maximumOpenFiles);
  }
  const bool tooLong = std::any_of(uris.begin(), uris.end(), [](const QString& uri) {
    return uri.size() > TonnixSingleInstance::maximumURILength;
  });
  if (tooLong) return QStringLiteral("A file's address is too long to be a file Tonnix opens");
  return std::nullopt;
}

}  // namespace

// org.freedesktop.Application as launchers and file managers call it.
class TonnixApplicationAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

 public:
  explicit TonnixApplicationAdaptor(TonnixSingleInstance* instance)
      : QDBusAbstractAdaptor(instance), instance_(instance) {}

 public slots:
  void Activate(const QVariantMap& platformData) {
    instance_->adoptStartupToken(platformData);
    emit instance_->activated();
  }

  void Open(const QStringList& uris, const QVariantMap& platformData) {
    if (const auto refusal = openRefusal(uris)) {
      return instance_->sendErrorReply(QDBusError::LimitsExceeded, *refusal);
    }
    instance_->adoptStartupToken(platformData);
    std::vector<fs::path> files;
    for (const QString& uri : uris) {
      const QUrl url(uri);
      // Only local files can be imported; anything else is not ours to fetch.
      if (url.isLocalFile()) files.emplace_back(url.toLocalFile().toStdString());
    }
    emit instance_->openRequested(files);
  }

  void ActivateAction(const QString& action, const QVariantList&, const QVariantMap& platformData) {
    instance_->adoptStartupToken(platformData);
    emit instance_->actionRequested(action);
  }

 private:
  TonnixSingleInstance* instance_;
};

namespace {

// What the launcher gave this process to pass on to the window it shows.
QVariantMap platformData() {
  QVariantMap data;
  const QByteArray startupID = qgetenv("DESKTOP_STARTUP_ID");
  if (!startupID.isEmpty()) data.insert(QStringLiteral("desktop-startup-id"), startupID);
  const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
  if (!token.isEmpty()) data.insert(QStringLiteral("activation-token"), token);
  return data;
}

QString fileURI(const fs::path& file) {
  return QUrl::fromLocalFile(QString::fromStdString(fs::absolute(file).lexically_normal().string()))
      .toString(QUrl::FullyEncoded);
}

}  // namespace

TonnixSingleInstance::TonnixSingleInstance(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
  new TonnixApplicationAdaptor(this);
}

TonnixSingleInstance::~TonnixSingleInstance() {
  if (!ownsName_) return;
  bus_.unregisterObject(QString::fromLatin1(objectPath));
  bus_.unregisterService(QString::fromLatin1(serviceName));
}

TonnixSingleInstance::Role TonnixSingleInstance::claim() {
  if (ownsName_) return Role::primary;
  if (!bus_.isConnected()) return Role::alone;
  if (!bus_.registerObject(QString::fromLatin1(objectPath), this,
                           QDBusConnection::ExportAdaptors)) {
    return Role::alone;
  }
  const auto reply = bus_.interface()->registerService(
      QString::fromLatin1(serviceName), QDBusConnectionInterface::DontQueueService,
      QDBusConnectionInterface::DontAllowReplacement);
  if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
    ownsName_ = true;
    return Role::primary;
  }
  bus_.unregisterObject(QString::fromLatin1(objectPath));
  return Role::secondary;
}

bool TonnixSingleInstance::isTaken() const {
  if (!bus_.isConnected()) return false;
  const auto reply = bus_.interface()->isServiceRegistered(QString::fromLatin1(serviceName));
  return reply.isValid() && reply.value();
}

TonnixExpected<TonnixDone, QString> TonnixSingleInstance::activate() {
  return call(QStringLiteral("Activate"), {platformData()});
}

TonnixExpected<TonnixDone, QString> TonnixSingleInstance::open(const std::vector<fs::path>& files) {
  QStringList uris;
  for (const auto& file : files) uris << fileURI(file);
  if (const auto refusal = openRefusal(uris)) return unexpected(*refusal);
  return call(QStringLiteral("Open"), {uris, platformData()});
}

TonnixExpected<TonnixDone, QString> TonnixSingleInstance::activateAction(const QString& action) {
  return call(QStringLiteral("ActivateAction"), {action, QVariantList(), platformData()});
}

TonnixExpected<TonnixDone, QString> TonnixSingleInstance::call(const QString& method,
                                                               const QVariantList& arguments) {
  auto message = QDBusMessage::createMethodCall(QString::fromLatin1(serviceName),
                                                QString::fromLatin1(objectPath),
                                                QString::fromLatin1(interfaceName), method);
  message.setArguments(arguments);
  // Never started by the call: only a running Tonnix is asked.
  message.setAutoStartService(false);
  const auto reply = bus_.call(message, QDBus::Block, replyTimeoutMilliseconds);
  if (reply.type() == QDBusMessage::ReplyMessage) return TonnixDone{};
  return unexpected(
      QStringLiteral("The owner of %1 on the session bus did not answer as Tonnix (%2)")
          .arg(QString::fromLatin1(serviceName), reply.errorMessage()));
}

void TonnixSingleInstance::adoptStartupToken(const QVariantMap& data) {
  const QByteArray token = data.value(QStringLiteral("activation-token")).toByteArray();
  activationToken_ = isAcceptableToken(token) ? token : QByteArray();
}

QByteArray TonnixSingleInstance::takeActivationToken() {
  return std::exchange(activationToken_, {});
}

#include "single_instance.moc"

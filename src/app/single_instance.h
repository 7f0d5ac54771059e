#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <vector>

#include "support/expected.h"

// One Tonnix per session: the first process owns org.tonnix.Tonnix on the
// session bus and serves org.freedesktop.Application there, so launchers
// can activate it; a later one hands its request to the first and exits.
// Without a session bus, or when the name's owner does not answer as
// Tonnix, the process runs on its own. Main thread only. (A D-Bus context,
// since calls through its adaptor carry theirs on it.)
class TonnixSingleInstance : public QObject, public QDBusContext {
  Q_OBJECT

 public:
  static constexpr const char* serviceName = "org.tonnix.Tonnix";
  static constexpr const char* objectPath = "/org/tonnix/Tonnix";
  static constexpr const char* interfaceName = "org.freedesktop.Application";
  // How long a second process waits for the first to answer.
  static constexpr int replyTimeoutMilliseconds = 5000;
  // What one Open call may pass: a launcher hands over what the user
  // selected, never more than this; longer URIs name no local file.
  static constexpr int maximumOpenFiles = 256;
  static constexpr int maximumURILength = 16384;
  // A startup token is a short printable ASCII text.
  static constexpr int maximumTokenLength = 256;

  enum class Role {
    // This process owns the name and answers for Tonnix.
    primary,
    // Another Tonnix owns the name; hand it the request.
    secondary,
    // No session bus; this process is on its own.
    alone,
  };

  explicit TonnixSingleInstance(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);
  ~TonnixSingleInstance() override;

  // Takes the name when it is free and starts answering; otherwise leaves
  // it to its owner.
  Role claim();
  // Whether some process owns the name now.
  bool isTaken() const;

  // As a second process: asks the owner to show itself, to open files (in
  // one call), or to run one of its actions ("quit", "preferences"). The
  // error is a sentence for the user when the owner did not answer.
  TonnixExpected<TonnixDone, QString> activate();
  TonnixExpected<TonnixDone, QString> open(const std::vector<std::filesystem::path>& files);
  TonnixExpected<TonnixDone, QString> activateAction(const QString& action);

  // As the owner: the Wayland activation token that came with the latest
  // request, once, so that the window shown for it is raised instead of
  // blinking in the task bar. Empty when the request had none.
  QByteArray takeActivationToken();

 signals:
  // Asked through the bus, as the owner.
  void activated();
  void openRequested(const std::vector<std::filesystem::path>& files);
  void actionRequested(const QString& action);

 private:
  friend class TonnixApplicationAdaptor;
  TonnixExpected<TonnixDone, QString> call(const QString& method, const QVariantList& arguments);
  // Keeps the launcher's Wayland activation token of the latest request; a
  // token that is not short printable ASCII is dropped. An X11 startup id
  // is not taken: Qt reads DESKTOP_STARTUP_ID only when it starts.
  void adoptStartupToken(const QVariantMap& platformData);

  QDBusConnection bus_;
  QByteArray activationToken_;
  bool ownsName_ = false;
};

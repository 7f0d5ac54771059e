#include "ui/file_manager.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QUrl>

namespace {

QUrl urlOf(const std::filesystem::path& path) {
  return QUrl::fromLocalFile(QString::fromStdString(path.string()));
}

}  // namespace

void showInFileManager(const std::filesystem::path& file, QObject& context) {
  const QUrl folder = urlOf(file.parent_path());
  auto bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    QDesktopServices::openUrl(folder);
    return;
  }
  auto message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                QStringLiteral("/org/freedesktop/FileManager1"),
                                                QStringLiteral("org.freedesktop.FileManager1"),
                                                QStringLiteral("ShowItems"));
  message << QStringList{urlOf(file).toString()} << QString();
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), &context);
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context,
                   [folder](QDBusPendingCallWatcher* call) {
                     // No file manager on the bus answers: open the folder as any folder.
                     if (call->isError()) QDesktopServices::openUrl(folder);
                     call->deleteLater();
                   });
}

#include "app/update_installation.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "app/update_configuration.h"
#include "app/version_order.h"

namespace fs = std::filesystem;

namespace {

// Names the replaced version's folder, for the next start to remove.
constexpr const char* replacedMarker = ".replaced";
constexpr int unpackTimeoutMilliseconds = 120000;

QString text(const fs::path& path) {
  return QString::fromStdString(path.string());
}

bool isWritable(const fs::path& path) {
  return ::access(path.c_str(), W_OK) == 0;
}

// Unpacked by tar, which every Linux system has, which tells compressions
// apart by itself when reading a file, and which refuses members outside the
// folder it unpacks into.
TonnixExpected<TonnixDone, QString> unpack(const QString& archive, const fs::path& into) {
  QProcess tar;
  tar.start(QStringLiteral("tar"),
            {QStringLiteral("-x"), QStringLiteral("--no-same-owner"), QStringLiteral("-C"),
             text(into), QStringLiteral("-f"), archive});
  if (!tar.waitForFinished(unpackTimeoutMilliseconds) || tar.exitStatus() != QProcess::NormalExit ||
      tar.exitCode() != 0) {
    const QString reason = tar.error() == QProcess::FailedToStart
                               ? QStringLiteral("tar is not installed.")
                               : QString::fromLocal8Bit(tar.readAllStandardError()).trimmed();
    tar.kill();
    return unexpected(
        QStringLiteral("The update could not be unpacked: %1").arg(reason.section(u'\n', 0, 0)));
  }
  return TonnixDone{};
}

// The unpacked tree's own word on its version, which the archive's
// signature covers where the appcast's version line is not.
TonnixExpected<TonnixDone, QString> checkOwnVersion(const fs::path& unpacked,
                                                    const QString& version,
                                                    const QString& runningVersion) {
  const auto info = TonnixUpdateConfiguration::read(unpacked / "share" / "tonnix" / "Info.plist");
  std::optional<QString> own;
  if (info) own = info->version ? info->version : info->shortVersion;
  if (!own) {
    return unexpected(QStringLiteral(
        "The update does not say which version it holds, so Tonnix did not install it."));
  }
  if (compareVersions(*own, version) != 0) {
    return unexpected(
        QStringLiteral("The update holds Tonnix %1, not the %2 the update feed offers, "
                       "so Tonnix did not install it.")
            .arg(*own, version));
  }
  if (compareVersions(*own, runningVersion) <= 0) {
    return unexpected(QStringLiteral("The update holds Tonnix %1, which is not newer than the "
                                     "running %2, so Tonnix did not install it.")
                          .arg(*own, runningVersion));
  }
  return TonnixDone{};
}

// The prefixes the system's package manager, or an administrator's
// `make install`, looks after.
bool isSystemPrefix(const fs::path& prefix) {
  return prefix == "/usr" || prefix == "/usr/local" || prefix == "/";
}

}  // namespace

TonnixUpdateInstallation::TonnixUpdateInstallation(fs::path prefix) : prefix_(std::move(prefix)) {}

TonnixUpdateInstallation TonnixUpdateInstallation::running() {
  const fs::path program = QCoreApplication::applicationDirPath().toStdString();
  std::error_code error;
  const fs::path prefix = fs::weakly_canonical(program / "..", error);
  return TonnixUpdateInstallation(error ? program.parent_path() : prefix);
}

std::optional<QString> TonnixUpdateInstallation::whyNotUpdatable(
    const QString& displayVersion) const {
  if (isSystemPrefix(prefix_) || !isWritable(prefix_) || !isWritable(root())) {
    return QStringLiteral(
               "Tonnix was installed in %1 by the system's package manager, which updates it: "
               "install Tonnix %2 with your package manager.")
        .arg(text(prefix_), displayVersion);
  }
  std::error_code error;
  if (!fs::is_symlink(link(), error) ||
      fs::weakly_canonical(link(), error) != fs::weakly_canonical(prefix_, error)) {
    return QStringLiteral(
               "Tonnix runs from %1, which no “current” link beside it leads to, so it cannot "
               "switch to Tonnix %2 there: unpack the update yourself.")
        .arg(text(prefix_), displayVersion);
  }
  return std::nullopt;
}

fs::path TonnixUpdateInstallation::program() const {
  std::error_code error;
  const bool linked = fs::is_symlink(link(), error) &&
                      fs::weakly_canonical(link(), error) == fs::weakly_canonical(prefix_, error);
  return (linked ? link() : prefix_) / "bin" / "tonnix";
}

TonnixExpected<std::unique_ptr<QTemporaryFile>, QString> TonnixUpdateInstallation::newArchiveFile()
    const {
  // QTemporaryFile makes it readable and writable by the user alone.
  auto file = std::make_unique<QTemporaryFile>(text(root() / ".archive-XXXXXX"));
  if (!file->open()) {
    return unexpected(QStringLiteral("The update could not be saved in %1: %2")
                          .arg(text(root()), file->errorString()));
  }
  return file;
}

TonnixExpected<fs::path, QString> TonnixUpdateInstallation::install(
    const QString& archive, const QString& version, const QString& runningVersion) const {
  static const QRegularExpression folderName(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9._+-]*$"));
  if (!folderName.match(version).hasMatch()) {
    return unexpected(
        QStringLiteral("The update's version “%1” cannot name a folder.").arg(version));
  }
  if (const auto why = whyNotUpdatable(version)) return unexpected(*why);
  const fs::path target = root() / version.toStdString();
  std::error_code error;
  if (fs::equivalent(target, prefix_, error)) {
    return unexpected(QStringLiteral("Tonnix %1 is already installed.").arg(version));
  }

  QTemporaryDir staging(text(root() / ".unpacking-XXXXXX"));
  if (!staging.isValid()) {
    return unexpected(QStringLiteral("The update could not be unpacked in %1: %2")
                          .arg(text(root()), staging.errorString()));
  }
  const fs::path unpacked = staging.path().toStdString();
  TONNIX_TRY(done, unpack(archive, unpacked));
  const fs::path program = unpacked / "bin" / "tonnix";
  if (::access(program.c_str(), X_OK) != 0) {
    return unexpected(QStringLiteral("The update holds no bin/tonnix program."));
  }
  TONNIX_TRY(ownVersion, checkOwnVersion(unpacked, version, runningVersion));

  // An earlier, unfinished attempt at the same version gives way.
  fs::remove_all(target, error);
  fs::rename(unpacked, target, error);
  if (error) {
    return unexpected(QStringLiteral("The update could not be moved into place: %1")
                          .arg(QString::fromStdString(error.message())));
  }
  const fs::path newLink = root() / ".current-new";
  fs::remove(newLink, error);
  fs::create_directory_symlink(target.filename(), newLink, error);
  if (!error) fs::rename(newLink, link(), error);
  if (error) {
    fs::remove(newLink, error);
    fs::remove_all(target, error);
    return unexpected(QStringLiteral("Tonnix could not switch to the update: %1")
                          .arg(QString::fromStdString(error.message())));
  }
  QFile marker(text(root() / replacedMarker));
  if (marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    marker.write(QByteArray::fromStdString(prefix_.filename().string()));
  }
  return link() / "bin" / "tonnix";
}

void TonnixUpdateInstallation::removeReplacedVersion() const {
  std::error_code error;
  if (fs::weakly_canonical(link(), error) != fs::weakly_canonical(prefix_, error)) return;
  QFile marker(text(root() / replacedMarker));
  if (!marker.open(QIODevice::ReadOnly)) return;
  const fs::path replaced = root() / marker.readAll().trimmed().toStdString();
  marker.remove();
  if (replaced.filename().empty() || replaced.filename() == prefix_.filename()) return;
  if (replaced.parent_path() != root()) return;
  fs::remove_all(replaced, error);
}

#include "app/afflicted_application.h"

namespace {

bool hasText(const std::optional<QString>& text) {
  return text && !text->isEmpty();
}

// The file name, without the extension of an application file.
QString applicationFileName(const std::filesystem::path& file) {
  const QString name = QString::fromStdString(file.filename().string());
  const QString extension = QString::fromStdString(file.extension().string()).toLower();
  if (extension == QStringLiteral(".desktop") || extension == QStringLiteral(".app")) {
    return QString::fromStdString(file.stem().string());
  }
  return name;
}

}  // namespace

QString TonnixAfflictedApplication::identity() const {
  if (bundleIdentifier) return *bundleIdentifier;
  return QStringLiteral("pid:") + QString::number(processIdentifier.value_or(0));
}

QString TonnixAfflictedApplication::statusText() const {
  const bool isRunning = processIdentifier.has_value();
  if (isExcluded)
    return isRunning ? QStringLiteral("Excluded") : QStringLiteral("Excluded, not running");
  if (!isRunning) return QStringLiteral("Not running");
  if (!isObserved) return QStringLiteral("Not observed");
  return QString::number(registeredNotificationCount) + QStringLiteral(" notifications");
}

std::optional<QString> TonnixAfflictedApplication::timeoutText(const QLocale& locale) const {
  if (!timeout) return std::nullopt;
  return QStringLiteral("Did not answer in time. The attach was abandoned after ") +
         locale.toString(timeout->duration, 'f', 1) + QStringLiteral(" s, with ") +
         QString::number(timeout->registeredNotificationCount) +
         QStringLiteral(
             " of its notifications registered, so this app is only partly wired up. "
             "Rescan to try again.");
}

QString afflictedDisplayName(const std::optional<QString>& givenName,
                             const std::optional<std::filesystem::path>& fileURL,
                             const std::optional<QString>& bundleIdentifier,
                             std::optional<std::int32_t> processIdentifier) {
  if (givenName) {
    const QString trimmed = givenName->trimmed();
    if (!trimmed.isEmpty()) return trimmed;
  }
  if (fileURL) {
    const QString fileName = applicationFileName(*fileURL);
    if (!fileName.isEmpty()) return fileName;
  }
  if (hasText(bundleIdentifier)) return *bundleIdentifier;
  if (processIdentifier) return QStringLiteral("pid ") + QString::number(*processIdentifier);
  return {};
}

TonnixLocalizedStandardOrder::TonnixLocalizedStandardOrder() {
  // The C locale knows no collation, not even numbers by value; the common
  // English rules stand in for it.
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::English);
  collator_ = QCollator(locale);
  collator_.setNumericMode(true);
  collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

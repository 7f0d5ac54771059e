#include "app/exclusions.h"

QString TonnixExclusionError::description() const {
  // A folder URL ends in a slash; its last component is the folder's name.
  const QString path = url.adjusted(QUrl::StripTrailingSlash).path();
  const QString lastComponent = path.section(QLatin1Char('/'), -1);
  return lastComponent +
         QStringLiteral(" has no application ID, so Tonnix cannot tell it apart to exclude it.");
}

TonnixExclusions::TonnixExclusions(TonnixPreferencesStore& store, QObject* parent)
    : QObject(parent),
      defaults_(store),
      storedNames_(
          store.stringDictionary(TonnixExcludedApplications).value_or(QMap<QString, QString>{})) {}

void TonnixExclusions::exclude(const QString& bundleIdentifier, const QString& name) {
  store(bundleIdentifier, name);
}

void TonnixExclusions::exclude(const QString& bundleIdentifier) {
  store(bundleIdentifier, storedNames_.value(bundleIdentifier));
}

void TonnixExclusions::include(const QString& bundleIdentifier) {
  if (storedNames_.remove(bundleIdentifier) == 0) return;
  defaults_.setStringDictionary(TonnixExcludedApplications, storedNames_);
  emit exclusionsChanged();
}

QList<TonnixExclusion> TonnixExclusions::exclusions() const {
  QList<TonnixExclusion> entries;
  for (auto it = storedNames_.begin(); it != storedNames_.end(); ++it) {
    entries.append({it.key(), it.value()});
  }
  return entries;
}

void TonnixExclusions::store(const QString& bundleIdentifier, const QString& name) {
  const auto existing = storedNames_.constFind(bundleIdentifier);
  const bool changes = existing == storedNames_.cend() || existing.value() != name;
  storedNames_.insert(bundleIdentifier, name);
  // Written also when nothing changed, so that a damaged stored value is
  // replaced by a well-formed one.
  defaults_.setStringDictionary(TonnixExcludedApplications, storedNames_);
  if (changes) emit exclusionsChanged();
}

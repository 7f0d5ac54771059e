#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>

#include "platform/preferences_store.h"

// The preference holding the exclusions: application id → name to show.
inline const QString TonnixExcludedApplications = QStringLiteral("TonnixExcludedApplications");

// One excluded application. Its identity is the bundle identifier, which on
// Linux is the freedesktop application id.
struct TonnixExclusion {
  QString bundleIdentifier;
  QString name;  // may be empty

  friend bool operator==(const TonnixExclusion&, const TonnixExclusion&) = default;
};

// Why an application could not be excluded.
struct TonnixExclusionError {
  enum class Case { noBundleIdentifier };

  Case kind = Case::noBundleIdentifier;
  QUrl url;

  static TonnixExclusionError noBundleIdentifier(QUrl url) {
    return {Case::noBundleIdentifier, std::move(url)};
  }

  // "Foo.desktop has no application ID, so Tonnix cannot tell it apart to exclude it."
  QString description() const;
};

// The applications the user excluded: never observed, and their clicks are
// silent. Kept under TonnixExcludedApplications, read once and rewritten
// whole after each change. Main thread only.
class TonnixExclusions : public QObject {
  Q_OBJECT
  Q_PROPERTY(QList<TonnixExclusion> exclusions READ exclusions NOTIFY exclusionsChanged)

 public:
  // `store` must outlive the exclusions. A stored value that is not a
  // dictionary of strings loads as no exclusions.
  explicit TonnixExclusions(TonnixPreferencesStore& store, QObject* parent = nullptr);

  // Excludes the application under `name`.
  void exclude(const QString& bundleIdentifier, const QString& name);
  // Excludes the application, keeping the name stored for it, if any.
  void exclude(const QString& bundleIdentifier);
  // Stops excluding the application; writes only when it was excluded.
  void include(const QString& bundleIdentifier);

  bool isExcluded(const QString& bundleIdentifier) const {
    return storedNames_.contains(bundleIdentifier);
  }
  // Ordered by bundle identifier.
  QList<TonnixExclusion> exclusions() const;

 signals:
  void exclusionsChanged();

 private:
  void store(const QString& bundleIdentifier, const QString& name);

  TonnixPreferencesStore& defaults_;
  QMap<QString, QString> storedNames_;
};

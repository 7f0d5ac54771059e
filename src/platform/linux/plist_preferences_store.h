#pragma once

#include <QString>
#include <QVariantMap>

#include "platform/preferences_store.h"

// The preferences as an XML property list, by default
// $XDG_CONFIG_HOME/tonnix/preferences.plist. Each change re-reads the file
// under a lock, applies itself and replaces the file atomically, so two
// Tonnix processes writing at once keep each other's keys and never leave a
// broken file. A file that cannot be read is moved aside as
// preferences.plist.corrupt-<time> with one line on standard output, and
// the store starts from defaults; it is never overwritten in place.
class TonnixPlistPreferencesStore : public TonnixPreferencesStore {
 public:
  // Reads `filePath` now; a missing file is an empty store.
  explicit TonnixPlistPreferencesStore(QString filePath = standardFilePath());

  // $XDG_CONFIG_HOME/tonnix/preferences.plist (~/.config when unset).
  static QString standardFilePath();

  QVariant value(const QString& key) const override { return values_.value(key); }
  void setValue(const QString& key, const QVariant& value) override;
  void removeValue(const QString& key) override;

  const QString& filePath() const { return filePath_; }

 private:
  enum class FileState { readable, absent, setAside, stuck };

  // Reads the file into `values`; sets an unreadable one aside.
  FileState load(QVariantMap& values);
  bool setAside();
  void writeChange(const QString& key, const QVariant* value);

  QString filePath_;
  QVariantMap values_;
  // False when an unreadable file could not be moved aside: changes then
  // stay in memory rather than destroy it.
  bool writable_ = true;
};

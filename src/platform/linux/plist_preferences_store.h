#pragma once

#include <QString>
#include <QVariantMap>
#include <chrono>
#include <map>
#include <optional>

#include "platform/preferences_store.h"

// The preferences as an XML property list, by default
// $XDG_CONFIG_HOME/tonnix/preferences.plist. Each change re-reads the file
// under a lock, applies itself and replaces the file atomically, so two
// Tonnix processes writing at once keep each other's keys and never leave a
// broken file. A change that cannot take the lock in time, or cannot be
// written, is kept and written with the next change (or when the store
// ends), never without the lock. A file that cannot be read reads as defaults; the first
// change moves it aside as preferences.plist.corrupt-<time>, with one
// diagnostic line, so that only a program that writes ever moves it. It is
// never overwritten in place.
class TonnixPlistPreferencesStore : public TonnixPreferencesStore {
 public:
  // Reads `filePath` now; a missing file is an empty store. A change waits
  // up to `lockWait` for another process's change to finish.
  explicit TonnixPlistPreferencesStore(QString filePath = standardFilePath(),
                                       std::chrono::milliseconds lockWait = defaultLockWait);
  ~TonnixPlistPreferencesStore() override;

  static constexpr std::chrono::milliseconds defaultLockWait{5000};

  // $XDG_CONFIG_HOME/tonnix/preferences.plist (~/.config when unset).
  static QString standardFilePath();

  QVariant value(const QString& key) const override { return values_.value(key); }
  void setValue(const QString& key, const QVariant& value) override;
  void removeValue(const QString& key) override;
  std::optional<QString> writeFailure() const override { return writeFailure_; }

  const QString& filePath() const { return filePath_; }

 private:
  enum class FileState { readable, absent, unreadable, setAside, stuck };

  // Reads the file into `values`; sets an unreadable one aside when asked.
  FileState load(QVariantMap& values, bool setsAsideUnreadable);
  bool setAside();
  void writeChange(const QString& key, const QVariant* value);
  void writePending();
  void failWrite(const QString& reason);

  QString filePath_;
  std::chrono::milliseconds lockWait_;
  QVariantMap values_;
  // Changes not yet in the file: a value, or nothing for a removal.
  std::map<QString, std::optional<QVariant>> pending_;
  // False when an unreadable file could not be moved aside: changes then
  // stay in memory rather than destroy it.
  bool writable_ = true;
  std::optional<QString> writeFailure_;
};

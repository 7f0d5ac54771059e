#pragma once

#include <QHash>
#include <QVariantMap>

#include "platform/preferences_store.h"

// Preferences kept in memory only, for tests. Counts the writes of each key
// so that tests can check what was written and what was not.
class TonnixMemoryPreferencesStore : public TonnixPreferencesStore {
 public:
  TonnixMemoryPreferencesStore() = default;
  // Starts with `values`, as if read from disk; no writes are counted.
  explicit TonnixMemoryPreferencesStore(QVariantMap values) : values_(std::move(values)) {}

  QVariant value(const QString& key) const override { return values_.value(key); }
  void setValue(const QString& key, const QVariant& value) override;
  void removeValue(const QString& key) override;

  // How often `key` was set or removed.
  int writeCount(const QString& key) const { return writes_.value(key); }
  const QVariantMap& values() const { return values_; }

 private:
  QVariantMap values_;
  QHash<QString, int> writes_;
};

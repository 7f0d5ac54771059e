#include "platform/fake/memory_preferences_store.h"

void TonnixMemoryPreferencesStore::setValue(const QString& key, const QVariant& value) {
  values_.insert(key, value);
  ++writes_[key];
}

void TonnixMemoryPreferencesStore::removeValue(const QString& key) {
  if (values_.remove(key) > 0) ++writes_[key];
}

#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>
#include <optional>

// The per-user preferences: named values kept across runs. Every change is
// written at once; there is no save step. Readers get typed values, and a
// value that is missing or of another type reads as the caller's default,
// so a damaged store never stops the program.
//
// Values are QVariants of these types, nested freely: bool, qint64, double,
// QString, QByteArray (data), QVariantMap (a dictionary with string keys)
// and QVariantList. Main thread only.
class TonnixPreferencesStore {
 public:
  virtual ~TonnixPreferencesStore() = default;

  // The value under `key`; an invalid QVariant when there is none.
  virtual QVariant value(const QString& key) const = 0;
  // Stores `value` under `key`, replacing what was there, and writes it.
  virtual void setValue(const QString& key, const QVariant& value) = 0;
  // Removes `key` and writes the change; nothing happens when it is absent.
  virtual void removeValue(const QString& key) = 0;
  // Why the last change could not be kept (the value then holds only until
  // the program ends); nothing once a change was written.
  virtual std::optional<QString> writeFailure() const { return std::nullopt; }

  bool boolValue(const QString& key, bool fallback) const {
    const QVariant stored = value(key);
    return stored.typeId() == QMetaType::Bool ? stored.toBool() : fallback;
  }
  qint64 integerValue(const QString& key, qint64 fallback) const {
    const QVariant stored = value(key);
    return isInteger(stored) ? stored.toLongLong() : fallback;
  }
  // Integers read as doubles too.
  double doubleValue(const QString& key, double fallback) const {
    const QVariant stored = value(key);
    const bool isNumber = stored.typeId() == QMetaType::Double || isInteger(stored);
    return isNumber ? stored.toDouble() : fallback;
  }
  std::optional<QString> stringValue(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QString) return std::nullopt;
    return stored.toString();
  }
  std::optional<QByteArray> dataValue(const QString& key) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QByteArray) return std::nullopt;
    return stored.toByteArray();
  }
  // Nothing unless `key` holds a dictionary whose values are all strings.
  std::optional<QMap<QString, QString>> stringDictionary(const QString& key) const {
    return dictionaryOf<QString>(key, QMetaType::QString);
  }
  // Nothing unless `key` holds a dictionary whose values are all data.
  std::optional<QMap<QString, QByteArray>> dataDictionary(const QString& key) const {
    return dictionaryOf<QByteArray>(key, QMetaType::QByteArray);
  }

  void setBool(const QString& key, bool stored) { setValue(key, stored); }
  void setInteger(const QString& key, qint64 stored) { setValue(key, stored); }
  void setDouble(const QString& key, double stored) { setValue(key, stored); }
  void setString(const QString& key, const QString& stored) { setValue(key, stored); }
  void setData(const QString& key, const QByteArray& stored) { setValue(key, stored); }
  void setStringDictionary(const QString& key, const QMap<QString, QString>& stored) {
    setValue(key, toVariantMap(stored));
  }
  void setDataDictionary(const QString& key, const QMap<QString, QByteArray>& stored) {
    setValue(key, toVariantMap(stored));
  }

 private:
  static bool isInteger(const QVariant& stored) {
    switch (stored.typeId()) {
      case QMetaType::Int:
      case QMetaType::UInt:
      case QMetaType::LongLong:
      case QMetaType::ULongLong:
        return true;
      default:
        return false;
    }
  }

  template <typename T>
  std::optional<QMap<QString, T>> dictionaryOf(const QString& key, int typeId) const {
    const QVariant stored = value(key);
    if (stored.typeId() != QMetaType::QVariantMap) return std::nullopt;
    QMap<QString, T> entries;
    const QVariantMap map = stored.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
      if (it.value().typeId() != typeId) return std::nullopt;
      entries.insert(it.key(), it.value().value<T>());
    }
    return entries;
  }

  template <typename T>
  static QVariantMap toVariantMap(const QMap<QString, T>& entries) {
    QVariantMap map;
    for (auto it = entries.begin(); it != entries.end(); ++it) map.insert(it.key(), it.value());
    return map;
  }
};

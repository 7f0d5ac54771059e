#include "platform/linux/plist_preferences_store.h"

#include <plist/plist.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "support/diagnostics.h"
#include "support/property_list_screen.h"

namespace {

// Property-list dates count seconds from 2001-01-01 UTC.
constexpr qint64 plistEpochOffset = 978307200;
// Preferences are a few kilobytes; a file far larger is not ours.
constexpr qsizetype largestFile = 16 << 20;

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistFree>;

QString takePlistString(char* text) {
  const QString result = QString::fromUtf8(text ? text : "");
  std::free(text);
  return result;
}

QVariant toVariant(plist_t node);

QVariantMap dictionaryToVariant(plist_t node) {
  QVariantMap map;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  for (;;) {
    char* key = nullptr;
    plist_t item = nullptr;
    plist_dict_next_item(node, iterator, &key, &item);
    if (!key) break;
    const QString name = takePlistString(key);
    const QVariant value = toVariant(item);
    if (value.isValid()) map.insert(name, value);
  }
  std::free(iterator);
  return map;
}

QVariantList arrayToVariant(plist_t node) {
  QVariantList list;
  const uint32_t count = plist_array_get_size(node);
  for (uint32_t index = 0; index < count; ++index) {
    const QVariant value = toVariant(plist_array_get_item(node, index));
    if (value.isValid()) list.append(value);
  }
  return list;
}

QVariant toVariant(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN:
      return plist_bool_val_is_true(node) != 0;
    case PLIST_UINT: {
      uint64_t value = 0;
      plist_get_uint_val(node, &value);
      return static_cast<qint64>(value);
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return value;
    }
    case PLIST_STRING: {
      // By pointer and length: the copying getter aborts on a length that
      // disagrees with the text.
      uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return QString::fromUtf8(text ? text : "", static_cast<qsizetype>(text ? length : 0));
    }
    case PLIST_DATA: {
      char* bytes = nullptr;
      uint64_t length = 0;
      plist_get_data_val(node, &bytes, &length);
      const QByteArray data(bytes ? bytes : "", static_cast<qsizetype>(length));
      std::free(bytes);
      return data;
    }
    case PLIST_DATE: {
      int32_t seconds = 0;
      int32_t microseconds = 0;
      plist_get_date_val(node, &seconds, &microseconds);
      const qint64 milliseconds = (plistEpochOffset + seconds) * 1000 + microseconds / 1000;
      return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
    }
    case PLIST_DICT:
      return dictionaryToVariant(node);
    case PLIST_ARRAY:
      return arrayToVariant(node);
    default:
      return {};
  }
}

plist_t toPlist(const QVariant& value);

plist_t mapToPlist(const QVariantMap& map) {
  plist_t dictionary = plist_new_dict();
  for (auto it = map.begin(); it != map.end(); ++it) {
    plist_t item = toPlist(it.value());
    if (item) plist_dict_set_item(dictionary, it.key().toUtf8().constData(), item);
  }
  return dictionary;
}

plist_t listToPlist(const QVariantList& list) {
  plist_t array = plist_new_array();
  for (const QVariant& value : list) {
    plist_t item = toPlist(value);
    if (item) plist_array_append_item(array, item);
  }
  return array;
}

plist_t toPlist(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Bool:
      return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
      return plist_new_real(value.toDouble());
    case QMetaType::QString:
      return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
      const QByteArray data = value.toByteArray();
      return plist_new_data(data.constData(), static_cast<uint64_t>(data.size()));
    }
    case QMetaType::QDateTime: {
      const qint64 milliseconds = value.toDateTime().toMSecsSinceEpoch();
      const qint64 seconds = milliseconds / 1000 - plistEpochOffset;
      return plist_new_date(static_cast<int32_t>(seconds),
                            static_cast<int32_t>(milliseconds % 1000 * 1000));
    }
    case QMetaType::QVariantMap:
      return mapToPlist(value.toMap());
    case QMetaType::QVariantList:
      return listToPlist(value.toList());
    default:
      return nullptr;
  }
}

// The dictionary in `bytes`, or nothing when they hold no property list
// whose top level is a dictionary.
std::optional<QVariantMap> parseDictionary(const QByteArray& bytes) {
  const std::string_view view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  if (bytes.isEmpty() || !isSafePropertyList(view)) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
  const PlistHandle handle(root);
  if (!root || plist_get_node_type(root) != PLIST_DICT) return std::nullopt;
  return dictionaryToVariant(root);
}

std::optional<QByteArray> serialise(const QVariantMap& values) {
  const PlistHandle root(mapToPlist(values));
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root.get(), &xml, &length);
  if (!xml) return std::nullopt;
  const QByteArray bytes(xml, static_cast<qsizetype>(length));
  plist_to_xml_free(xml);
  return bytes;
}

void report(const QString& line) {
  tonnixDiagnostic("TonnixPreferencesStore", line.toStdString());
}

}  // namespace

TonnixPlistPreferencesStore::TonnixPlistPreferencesStore(QString filePath,
                                                         std::chrono::milliseconds lockWait)
    : filePath_(std::move(filePath)), lockWait_(lockWait) {
  load(values_, false);
}

TonnixPlistPreferencesStore::~TonnixPlistPreferencesStore() {
  if (!pending_.empty()) writePending();
}

QString TonnixPlistPreferencesStore::standardFilePath() {
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  return config + QStringLiteral("/tonnix/preferences.plist");
}

TonnixPlistPreferencesStore::FileState TonnixPlistPreferencesStore::load(QVariantMap& values,
                                                                         bool setsAsideUnreadable) {
  QFile file(filePath_);
  if (!file.exists()) return FileState::absent;
  std::optional<QVariantMap> parsed;
  if (file.size() <= largestFile && file.open(QIODevice::ReadOnly)) {
    parsed = parseDictionary(file.readAll());
  }
  if (parsed) {
    values = std::move(*parsed);
    return FileState::readable;
  }
  if (!setsAsideUnreadable) return FileState::unreadable;
  return setAside() ? FileState::setAside : FileState::stuck;
}

bool TonnixPlistPreferencesStore::setAside() {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  QString aside = filePath_ + QStringLiteral(".corrupt-") + stamp;
  for (int n = 2; QFileInfo::exists(aside); ++n) {
    aside = filePath_ + QStringLiteral(".corrupt-%1-%2").arg(stamp).arg(n);
  }
  if (!QFile::rename(filePath_, aside)) {
    failWrite(QStringLiteral("could not read %1 nor move it aside; changes are not saved")
                  .arg(filePath_));
    return false;
  }
  report(QStringLiteral("could not read %1; moved it to %2 and started from defaults")
             .arg(filePath_, aside));
  return true;
}

void TonnixPlistPreferencesStore::setValue(const QString& key, const QVariant& value) {
  values_.insert(key, value);
  writeChange(key, &value);
}

void TonnixPlistPreferencesStore::removeValue(const QString& key) {
  if (values_.remove(key) == 0) return;
  writeChange(key, nullptr);
}

void TonnixPlistPreferencesStore::writeChange(const QString& key, const QVariant* value) {
  pending_.insert_or_assign(key, value ? std::optional(*value) : std::nullopt);
  writePending();
}

// Applies the pending changes on top of what is on disk now, under the lock,
// so that changes made by another process in the meantime are kept.
void TonnixPlistPreferencesStore::writePending() {
  if (!writable_) return;
  writeFailure_.reset();
  QDir().mkpath(QFileInfo(filePath_).absolutePath());
  QLockFile lock(filePath_ + QStringLiteral(".lock"));
  // tryLock retries until the wait is over, and takes over a lock whose
  // process has ended.
  if (!lock.tryLock(static_cast<int>(lockWait_.count()))) {
    const QString reason = lock.error() == QLockFile::LockFailedError
                               ? QStringLiteral(
                                     "another program kept it locked; the change is "
                                     "written with the next one")
                               : QStringLiteral("its lock file cannot be made");
    return failWrite(QStringLiteral("could not write %1: %2").arg(filePath_, reason));
  }

  QVariantMap current = values_;
  const FileState state = load(current, true);
  if (state == FileState::stuck) {
    writable_ = false;
    return;
  }
  if (state == FileState::readable) {
    for (const auto& [key, value] : pending_) {
      if (value) {
        current.insert(key, *value);
      } else {
        current.remove(key);
      }
    }
    values_ = current;
  }
  const auto bytes = serialise(values_);
  QSaveFile file(filePath_);
  if (!bytes || !file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() ||
      !file.commit()) {
    return failWrite(QStringLiteral("could not write %1: %2").arg(filePath_, file.errorString()));
  }
  pending_.clear();
}

void TonnixPlistPreferencesStore::failWrite(const QString& reason) {
  writeFailure_ = reason;
  report(reason);
}

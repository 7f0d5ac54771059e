// Reading an update feed as a hostile server would send it, and choosing
// the update from what was read.
#include <QByteArray>
#include <QSet>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/appcast.h"
#include "app/version_order.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto feed =
      QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const auto items = parseAppcast(feed);
  if (!items) {
    if (items.error().isEmpty() || items.error().contains(u'\n')) std::abort();
    return 0;
  }
  for (const TonnixAppcastItem& item : *items) {
    if (item.version.isEmpty() || !item.archiveURL.isValid()) std::abort();
  }
  const QString current = items->empty() ? QStringLiteral("1.0") : items->front().version;
  const auto update = newestUpdate(*items, current, {QStringLiteral("beta")}, std::nullopt);
  if (update && compareVersions(update->version, current) <= 0) std::abort();
  return 0;
}

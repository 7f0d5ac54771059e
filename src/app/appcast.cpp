#include "app/appcast.h"

#include <QXmlStreamReader>

#include "app/version_order.h"

namespace {

// The namespace of the appcast's own elements and attributes.
const QString appcastNamespace =
    QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isAppcast(const QXmlStreamReader& reader, QStringView name) {
  return reader.namespaceUri() == appcastNamespace && reader.name() == name;
}

void readEnclosure(const QXmlStreamAttributes& attributes, TonnixAppcastItem& item) {
  item.archiveURL =
      QUrl(attributes.value(QLatin1String("url")).toString().trimmed(), QUrl::StrictMode);
  item.archiveLength = attributes.value(QLatin1String("length")).toLongLong();
  const QStringView signature = attributes.value(appcastNamespace, QStringLiteral("edSignature"));
  const auto decoded =
      QByteArray::fromBase64Encoding(signature.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
  if (decoded) item.archiveSignature = *decoded;
  // Older feeds put the versions on the enclosure.
  const QStringView version = attributes.value(appcastNamespace, QStringLiteral("version"));
  if (!version.isEmpty()) item.version = version.toString();
  const QStringView shortVersion =
      attributes.value(appcastNamespace, QStringLiteral("shortVersionString"));
  if (!shortVersion.isEmpty()) item.displayVersion = shortVersion.toString();
}

TonnixAppcastItem readItem(QXmlStreamReader& reader) {
  TonnixAppcastItem item;
  while (reader.readNextStartElement()) {
    if (reader.name() == u"enclosure" && reader.namespaceUri().isEmpty()) {
      readEnclosure(reader.attributes(), item);
      reader.skipCurrentElement();
    } else if (reader.name() == u"title" && reader.namespaceUri().isEmpty()) {
      item.title = reader.readElementText().trimmed();
    } else if (reader.name() == u"description" && reader.namespaceUri().isEmpty()) {
      item.releaseNotes = reader.readElementText().trimmed();
    } else if (isAppcast(reader, u"version")) {
      item.version = reader.readElementText().trimmed();
    } else if (isAppcast(reader, u"shortVersionString")) {
      item.displayVersion = reader.readElementText().trimmed();
    } else if (isAppcast(reader, u"channel")) {
      item.channel = reader.readElementText().trimmed();
    } else if (isAppcast(reader, u"releaseNotesLink")) {
      item.releaseNotesLink = QUrl(reader.readElementText().trimmed(), QUrl::StrictMode);
    } else {
      reader.skipCurrentElement();
    }
  }
  if (item.version.isEmpty()) item.version = item.displayVersion;
  if (item.displayVersion.isEmpty()) item.displayVersion = item.version;
  return item;
}

// The parser's text may quote the feed (an encoding's name), so it is kept
// to one line.
QString notXML(const QXmlStreamReader& reader) {
  QString reason = reader.errorString().simplified();
  if (reason.endsWith(u'.')) reason.chop(1);
  return QStringLiteral("The update feed is not XML: %1 (line %2).")
      .arg(reason, QString::number(reader.lineNumber()));
}

}  // namespace

TonnixExpected<std::vector<TonnixAppcastItem>, QString> parseAppcast(const QByteArray& feed) {
  QXmlStreamReader reader(feed);
  if (!reader.readNextStartElement() || reader.name() != u"rss") {
    if (reader.hasError()) return unexpected(notXML(reader));
    return unexpected(QStringLiteral("The update feed is not one Tonnix can read."));
  }
  std::vector<TonnixAppcastItem> items;
  while (reader.readNextStartElement()) {
    if (reader.name() != u"channel") {
      reader.skipCurrentElement();
      continue;
    }
    while (reader.readNextStartElement()) {
      if (reader.name() != u"item") {
        reader.skipCurrentElement();
        continue;
      }
      TonnixAppcastItem item = readItem(reader);
      if (!item.version.isEmpty() && item.archiveURL.isValid()) items.push_back(std::move(item));
    }
  }
  if (reader.hasError()) return unexpected(notXML(reader));
  return items;
}

std::optional<TonnixAppcastItem> newestUpdate(const std::vector<TonnixAppcastItem>& items,
                                              const QString& currentVersion,
                                              const QSet<QString>& allowedChannels,
                                              const std::optional<QString>& skippedVersion) {
  const TonnixAppcastItem* newest = nullptr;
  for (const TonnixAppcastItem& item : items) {
    if (!item.channel.isEmpty() && !allowedChannels.contains(item.channel)) continue;
    if (skippedVersion && item.version == *skippedVersion) continue;
    if (compareVersions(item.version, currentVersion) <= 0) continue;
    if (!newest || compareVersions(item.version, newest->version) > 0) newest = &item;
  }
  if (!newest) return std::nullopt;
  return *newest;
}

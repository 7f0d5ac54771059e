#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QUrl>
#include <optional>
#include <vector>

#include "support/expected.h"

// One release offered by an update feed: an RSS item in the widely used
// appcast format, with its archive as the enclosure.
struct TonnixAppcastItem {
  QString title;
  // The build version, compared with the running one; the display version
  // is what people read ("Tonnix 1.3 is available").
  QString version;
  QString displayVersion;
  // Empty for the default channel everyone gets.
  QString channel;
  // The item's description as the feed gives it (text or HTML), and where
  // longer notes are published.
  QString releaseNotes;
  QUrl releaseNotesLink;
  QUrl archiveURL;
  qint64 archiveLength = 0;
  // The Ed25519 signature of the archive, decoded; empty when missing or
  // not Base64.
  QByteArray archiveSignature;
};

// The items of an appcast. Items without an enclosure or a version are
// passed over; a feed that is not well-formed XML, or not RSS, is refused
// with a one-line reason.
TonnixExpected<std::vector<TonnixAppcastItem>, QString> parseAppcast(const QByteArray& feed);

// The newest item newer than `currentVersion` on the default channel or an
// allowed one, leaving out `skippedVersion`; nothing when none is.
std::optional<TonnixAppcastItem> newestUpdate(const std::vector<TonnixAppcastItem>& items,
                                              const QString& currentVersion,
                                              const QSet<QString>& allowedChannels,
                                              const std::optional<QString>& skippedVersion);

#include "app/update_configuration.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

#include "app/update_signature.h"
#include "library/property_list.h"

namespace fs = std::filesystem;

namespace {

std::optional<QString> nonEmpty(const std::optional<std::string>& value) {
  if (!value || value->empty()) return std::nullopt;
  return QString::fromStdString(*value);
}

bool isUsableFeed(const std::optional<QString>& feed) {
  if (!feed) return false;
  const QUrl url(feed->trimmed(), QUrl::StrictMode);
  if (!url.isValid() || url.isRelative() || url.host().isEmpty()) return false;
  return url != QUrl(QString::fromLatin1(TonnixUpdateConfiguration::placeholderFeedURL));
}

}  // namespace

TonnixExpected<TonnixUpdateConfiguration, QString> TonnixUpdateConfiguration::read(
    const fs::path& infoPlist) {
  QFile file(QString::fromStdString(infoPlist.string()));
  if (!file.exists()) return TonnixUpdateConfiguration{};
  const auto unreadable = [&] {
    return QStringLiteral("The update settings in %1 could not be read.").arg(file.fileName());
  };
  if (!file.open(QIODevice::ReadOnly)) return unexpected(unreadable());
  const QByteArray bytes = file.readAll();
  const auto plist =
      TonnixPropertyList::parseDictionary(std::string_view(bytes.data(), bytes.size()));
  if (!plist) return unexpected(unreadable());
  return TonnixUpdateConfiguration{
      nonEmpty(plist->string("SUFeedURL")),
      nonEmpty(plist->string("SUPublicEDKey")),
      nonEmpty(plist->string("CFBundleVersion")),
      nonEmpty(plist->string("CFBundleShortVersionString")),
  };
}

std::optional<fs::path> TonnixUpdateConfiguration::standardLocation() {
  std::vector<fs::path> shares;
  if (QCoreApplication::instance()) {
    shares.push_back(fs::path(QCoreApplication::applicationDirPath().toStdString()) / ".." /
                     "share");
  }
  QByteArray dataDirs = qgetenv("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = "/usr/local/share:/usr/share";
  for (const QByteArray& share : dataDirs.split(':')) {
    if (share.startsWith('/')) shares.emplace_back(share.toStdString());
  }
  std::error_code error;
  for (const fs::path& share : shares) {
    const fs::path file = (share / "tonnix" / "Info.plist").lexically_normal();
    if (fs::is_regular_file(file, error)) return file;
  }
  return std::nullopt;
}

std::optional<QString> TonnixUpdateConfiguration::problem() const {
  if (!isUsableFeed(feedURL)) {
    return QStringLiteral("No appcast URL is set, so there is nothing to check against.");
  }
  if (!publicKey || !decodeUpdatePublicKey(*publicKey)) {
    return QStringLiteral(
        "No update signing key is set, so no update could be verified. Run tonnix update-keys "
        "and put the public key in SUPublicEDKey.");
  }
  return std::nullopt;
}

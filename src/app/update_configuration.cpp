#include "app/update_configuration.h"

#include <QFile>
#include <QUrl>

#include "app/update_signature.h"
#include "library/property_list.h"
#include "library/share_folders.h"

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
  return tonnixInstalledData(fs::path("tonnix") / "Info.plist",
                             [](const fs::path& file, std::error_code& error) {
                               return fs::is_regular_file(file, error);
                             });
}

bool TonnixUpdateConfiguration::hasFeed() const {
  return isUsableFeed(feedURL);
}

std::optional<QString> TonnixUpdateConfiguration::problem() const {
  if (!hasFeed()) return QStringLiteral("This build names no update feed to check.");
  if (!publicKey || !decodeUpdatePublicKey(*publicKey)) {
    return QStringLiteral(
        "This build names an update feed but no update signing key, so no update could be "
        "verified.");
  }
  return std::nullopt;
}

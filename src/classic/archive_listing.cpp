#include "classic/archive_listing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>

#include "classic/fork_source.h"

namespace {

using Kind = TonnixArchiveError::Kind;

// XADMaster's error number for a missing or wrong password.
constexpr int passwordError = 15;

bool isSet(const QJsonObject& object, const char* key) {
  return object.value(QLatin1String(key)).toInt() != 0;
}

TonnixArchiveEntry entryOf(const QJsonObject& object) {
  TonnixArchiveEntry entry;
  entry.name = object.value(QLatin1String("XADFileName")).toString().toStdString();
  entry.size = static_cast<std::uint64_t>(
      std::max(0.0, object.value(QLatin1String("XADFileSize")).toDouble()));
  entry.isDirectory = isSet(object, "XADIsDirectory");
  entry.isLink = isSet(object, "XADIsLink");
  entry.isEncrypted = isSet(object, "XADIsEncrypted");
  return entry;
}

// Whether the name, once joined to the folder it is unpacked in, could
// name something outside it.
bool leavesFolder(const std::string& name) {
  if (name.empty() || name.front() == '/' || name.find('\0') != std::string::npos) return true;
  for (const auto& component : std::filesystem::path(name)) {
    if (component == "..") return true;
  }
  return false;
}

TonnixUnexpected<TonnixArchiveError> refusal(Kind kind, const std::filesystem::path& archive,
                                             std::string entry = {}, std::uint64_t limit = 0) {
  return unexpected(TonnixArchiveError{kind, archive, std::move(entry), limit, {}});
}

}  // namespace

std::string TonnixArchiveError::description() const {
  const std::string name = locationFileName(archive.string());
  const std::string refused = name + " was not unpacked: ";
  switch (kind) {
    case Kind::unarMissing:
      return name + " could not be unpacked: install the unar package to import archives";
    case Kind::notAnArchive:
      return name + " is not an archive Tonnix can unpack";
    case Kind::damaged:
      return name + " is damaged and could not be unpacked";
    case Kind::passwordProtected:
      return name + " is protected by a password";
    case Kind::tooManyEntries:
      return refused + "it holds more than " + std::to_string(limit) + " files";
    case Kind::tooLarge:
      return refused + "it would take more than " +
             QLocale::c()
                 .formattedDataSize(static_cast<qint64>(limit), 0,
                                    QLocale::DataSizeTraditionalFormat)
                 .toStdString();
    case Kind::entryOutside:
      return refused + "its entry " + entry + " leads outside its folder";
    case Kind::entryIsLink:
      return refused + "its entry " + entry + " is a link";
    case Kind::timedOut:
      return name + " took longer than " + std::to_string(limit) + " seconds to unpack";
    case Kind::couldNotUnpack:
      return "Could not unpack " + name + ": " + reason;
    case Kind::noSoundSets:
      return name + " contains no sound sets";
  }
  return name;
}

std::optional<TonnixArchiveListing> parseArchiveListing(std::string_view json) {
  const auto document =
      QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())));
  if (!document.isObject()) return std::nullopt;
  const QJsonObject root = document.object();
  if (!root.contains(QLatin1String("lsarFormatVersion"))) return std::nullopt;
  TonnixArchiveListing listing;
  listing.formatName = root.value(QLatin1String("lsarFormatName")).toString().toStdString();
  listing.error = root.value(QLatin1String("lsarError")).toInt();
  listing.isEncrypted =
      isSet(root.value(QLatin1String("lsarProperties")).toObject(), "XADIsEncrypted");
  for (const auto& item : root.value(QLatin1String("lsarContents")).toArray()) {
    listing.entries.push_back(entryOf(item.toObject()));
  }
  return listing;
}

TonnixExpected<TonnixDone, TonnixArchiveError> checkArchiveListing(
    const TonnixArchiveListing& listing, const std::filesystem::path& archive,
    const TonnixArchiveLimits& limits) {
  if (listing.formatName.empty()) return refusal(Kind::notAnArchive, archive);
  if (listing.error == passwordError || listing.isEncrypted) {
    return refusal(Kind::passwordProtected, archive);
  }
  if (listing.error != 0) return refusal(Kind::damaged, archive);
  if (listing.entries.size() > limits.entryCount) {
    return refusal(Kind::tooManyEntries, archive, {}, limits.entryCount);
  }
  std::uint64_t total = 0;
  for (const auto& entry : listing.entries) {
    if (entry.isEncrypted) return refusal(Kind::passwordProtected, archive);
    if (leavesFolder(entry.name)) return refusal(Kind::entryOutside, archive, entry.name);
    if (entry.isLink) return refusal(Kind::entryIsLink, archive, entry.name);
    total += std::min(entry.size, limits.totalBytes + 1);
    if (total > limits.totalBytes) return refusal(Kind::tooLarge, archive, {}, limits.totalBytes);
  }
  return TonnixDone{};
}

#include "library/library.h"

#include <QChar>
#include <QCollator>
#include <QLocale>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <vector>

#include "library/bundle_info.h"
#include "library/file_access.h"
#include "library/folder_copy.h"
#include "library/path_names.h"
#include "library/share_folders.h"
#include "library/sound_theme_import.h"
#include "support/diagnostics.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view setSuffix = ".tonnixset";

QString qText(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

fs::path qPath(const QString& path) {
  return fs::path(path.toStdString());
}

bool isSlugCharacter(char32_t scalar) {
  switch (QChar::category(scalar)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
      return true;
    default:
      return QChar::isLetterOrNumber(scalar);
  }
}

// The C locale knows no collation, not even numbers by value; fall back to
// the common English rules there.
QCollator nameCollator() {
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::English);
  QCollator collator(locale);
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

bool sameBundles(const TonnixBundleList& a, const TonnixBundleList& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const auto& x, const auto& y) { return *x == *y; });
}

// Shallow listing, sorted by Unicode scalar (UTF-8 byte) order; empty when
// the folder cannot be listed.
std::vector<std::string> sortedNames(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  if (error) names.clear();
  std::sort(names.begin(), names.end());
  return names;
}

TonnixBundleMetadata freshMetadata(const std::string& identifier, const std::string& name) {
  TonnixBundleMetadata metadata;
  metadata.identifier = identifier;
  metadata.name = name;
  return metadata;
}

TonnixInstallError fileError(TonnixFileError error) {
  return TonnixInstallError(std::move(error));
}

}  // namespace

std::string TonnixLibraryError::description() const {
  const std::string folder = lastPathComponent(url);
  switch (kind) {
    case Kind::noAudioResources:
      return folder + " contains no audio Tonnix can play";
    case Kind::couldNotCreateDirectory:
      return "Could not create " + url.string() + ": " + reason;
    case Kind::couldNotCopy:
      return "Could not copy " + folder + ": " + reason;
    case Kind::duplicateIdentifier:
      return folder + " was skipped: " + identifier + " is already installed";
  }
  return folder;
}

std::string describe(const TonnixInstallError& error) {
  return std::visit([](const auto& failure) { return failure.description(); }, error);
}

std::string identifierSlug(std::string_view name) {
  const QString lowered = qText(name).toLower();
  QString replaced;
  for (char32_t scalar : lowered.toUcs4()) {
    if (isSlugCharacter(scalar)) {
      replaced += QString::fromUcs4(&scalar, 1);
    } else {
      replaced += QLatin1Char('-');
    }
  }
  const QString slug = replaced.split(QLatin1Char('-'), Qt::SkipEmptyParts).join(QLatin1Char('-'));
  return slug.isEmpty() ? std::string("set") : slug.toStdString();
}

TonnixLibrary::TonnixLibrary(fs::path directory, std::optional<fs::path> builtInDirectory,
                             QObject* parent)
    : QObject(parent),
      directory_(std::move(directory)),
      builtInDirectory_(std::move(builtInDirectory)) {
  reload();
}

fs::path TonnixLibrary::standardDirectory() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  return qPath(data) / "tonnix" / "Tonnix Sets";
}

std::optional<fs::path> TonnixLibrary::standardBuiltInDirectory() {
  const QByteArray overridden = qgetenv("TONNIX_BUILTIN_SETS");
  if (!overridden.isEmpty()) return fs::path(overridden.toStdString());
  return tonnixInstalledData(
      fs::path("tonnix") / "builtin" / "Tonnix Sets",
      [](const fs::path& sets, std::error_code& error) { return fs::is_directory(sets, error); });
}

void TonnixLibrary::reload() {
  TonnixBundleList bundles;
  QStringList failures;
  loadSets(directory_, false, bundles, failures);
  if (builtInDirectory_) loadSets(*builtInDirectory_, true, bundles, failures);

  const QCollator collator = nameCollator();
  std::stable_sort(bundles.begin(), bundles.end(), [&collator](const auto& a, const auto& b) {
    return collator.compare(qText(a->metadata().name), qText(b->metadata().name)) < 0;
  });

  if (!sameBundles(bundles, bundles_)) {
    bundles_ = std::move(bundles);
    emit bundlesChanged();
  }
  if (failures != loadFailures_) {
    loadFailures_ = std::move(failures);
    emit loadFailuresChanged();
  }
}

void TonnixLibrary::loadSets(const fs::path& folder, bool isBuiltIn, TonnixBundleList& bundles,
                             QStringList& failures) const {
  for (const auto& name : sortedNames(folder)) {
    if (!name.ends_with(setSuffix)) continue;
    auto opened = TonnixBundle::open(folder / name, isBuiltIn);
    if (!opened) {
      failures.append(qText(opened.error().description()));
      continue;
    }
    const std::string& identifier = opened.value()->metadata().identifier;
    const bool taken = std::any_of(bundles.begin(), bundles.end(), [&identifier](const auto& b) {
      return b->metadata().identifier == identifier;
    });
    if (taken) {
      const TonnixLibraryError duplicate{
          TonnixLibraryError::Kind::duplicateIdentifier, folder / name, {}, identifier};
      failures.append(qText(duplicate.description()));
      continue;
    }
    bundles.push_back(std::move(opened.value()));
  }
}

TonnixBundlePointer TonnixLibrary::bundleWithIdentifier(std::string_view identifier) const {
  const auto found = std::find_if(bundles_.begin(), bundles_.end(), [identifier](const auto& b) {
    return b->metadata().identifier == identifier;
  });
  return found == bundles_.end() ? nullptr : *found;
}

TonnixBundlePointer TonnixLibrary::bundleWithIdentifier(
    const std::optional<std::string>& identifier) const {
  return identifier ? bundleWithIdentifier(std::string_view(*identifier)) : nullptr;
}

bool TonnixLibrary::hasIdentifier(std::string_view identifier) const {
  return bundleWithIdentifier(identifier) != nullptr;
}

TonnixExpected<TonnixDone, TonnixLibraryError> TonnixLibrary::ensureDirectory() const {
  std::error_code error;
  if (fs::exists(fs::symlink_status(directory_, error))) return TonnixDone{};
  fs::create_directories(directory_, error);
  if (error) {
    return unexpected(TonnixLibraryError{
        TonnixLibraryError::Kind::couldNotCreateDirectory, directory_, error.message(), {}});
  }
  return TonnixDone{};
}

fs::path TonnixLibrary::uniqueDestination(const std::string& name) const {
  const std::string base = setFolderStem(name);
  const auto isFree = [](const fs::path& candidate) {
    std::error_code error;
    return !fs::exists(fs::symlink_status(candidate, error));
  };
  fs::path candidate = directory_ / (base + std::string(setSuffix));
  for (int n = 2; !isFree(candidate); ++n) {
    candidate = directory_ / (base + " " + std::to_string(n) + std::string(setSuffix));
  }
  return candidate;
}

std::string TonnixLibrary::uniqueIdentifier(const std::string& name) const {
  const std::string stem = std::string(tonnixVendorPrefix) + ".tonnixset." + identifierSlug(name);
  std::string candidate = stem;
  for (int n = 2; hasIdentifier(candidate); ++n) candidate = stem + "-" + std::to_string(n);
  return candidate;
}

TonnixExpected<TonnixBundlePointer, TonnixInstallError> TonnixLibrary::install(
    const fs::path& url) {
  if (auto made = ensureDirectory(); !made) return unexpected(TonnixInstallError(made.error()));
  const std::string name =
      soundThemeDisplayName(url).value_or(deletingPathExtension(lastPathComponent(url)));
  const fs::path destination = uniqueDestination(name);
  if (!isDirectlyInside(destination, directory_)) {
    return unexpected(TonnixInstallError(TonnixLibraryError{
        TonnixLibraryError::Kind::couldNotCopy, url, "its name is not a file name", {}}));
  }
  const std::string identifier = uniqueIdentifier(name);

  std::error_code error;
  if (fs::is_directory(url / "Contents" / "Resources", error)) {
    if (auto copied = copyFolder(url, destination); !copied) {
      return unexpected(TonnixInstallError(
          TonnixLibraryError{TonnixLibraryError::Kind::couldNotCopy, url, copied.error(), {}}));
    }
    TONNIX_TRY(adopted, adoptCopiedBundle(destination, identifier, name));
  } else if (isSoundThemeFolder(url)) {
    TONNIX_TRY(built, buildSetFromSoundTheme(url, destination, freshMetadata(identifier, name)));
  } else {
    TONNIX_TRY(built, buildFromLooseFiles(url, destination, identifier, name));
  }

  auto opened = TonnixBundle::open(destination, false);
  if (!opened) return unexpected(TonnixInstallError(opened.error()));
  reload();
  return bundleWithIdentifier(std::string_view(opened.value()->metadata().identifier));
}

// Makes sure the copied bundle's identifier does not clash, keeping its
// Info.plist untouched when it need not change.
TonnixExpected<TonnixDone, TonnixInstallError> TonnixLibrary::adoptCopiedBundle(
    const fs::path& destination, const std::string& identifier, const std::string& name) const {
  const fs::path infoPlist = destination / "Contents" / "Info.plist";
  const auto bytes = readWholeFile(infoPlist, largestInfoPlist);
  auto plist = bytes ? TonnixPropertyList::parseDictionary(*bytes) : std::nullopt;
  if (!plist) {
    auto written = writeBundle(destination, freshMetadata(identifier, name));
    if (!written) return unexpected(fileError(written.error()));
    return TonnixDone{};
  }
  const auto current = bundleIdentifier(*plist);
  if (current && !current->empty() && !hasIdentifier(*current)) return TonnixDone{};

  reidentifyBundleInfo(*plist, identifier, name);
  const auto xml = plist->xml();
  if (!xml) {
    return unexpected(fileError({infoPlist, "the property list could not be serialised"}));
  }
  auto written = writeWholeFile(infoPlist, *xml);
  if (!written) return unexpected(fileError(written.error()));
  return TonnixDone{};
}

// Makes a bundle of the playable files directly inside `source`. Files that
// cannot be copied are reported and skipped; no file at all removes the new
// bundle again.
TonnixExpected<TonnixDone, TonnixInstallError> TonnixLibrary::buildFromLooseFiles(
    const fs::path& source, const fs::path& destination, const std::string& identifier,
    const std::string& name) const {
  std::error_code error;
  auto written = writeBundle(destination, freshMetadata(identifier, name));
  if (!written) {
    fs::remove_all(destination, error);
    return unexpected(fileError(written.error()));
  }
  const fs::path resources = destination / "Contents" / "Resources";
  int copied = 0;
  TonnixCopyBudget budget;
  for (const auto& fileName : sortedNames(source)) {
    if (fileName.starts_with('.') || !isPlayableAudioFile(source / fileName)) continue;
    const auto copy = copyFileWithin(source, source / fileName, resources / fileName, budget);
    if (copy) {
      ++copied;
      continue;
    }
    tonnixDiagnostic("TonnixLibrary", "could not copy " + fileName + ": " + copy.error());
    if (budget.entriesLeft < 0) break;
  }
  if (copied > 0) return TonnixDone{};
  fs::remove_all(destination, error);
  return unexpected(TonnixInstallError(
      TonnixLibraryError{TonnixLibraryError::Kind::noAudioResources, source, {}, {}}));
}

#pragma once

#include <QObject>
#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "library/bundle.h"
#include "library/file_error.h"
#include "support/expected.h"

// The reverse-DNS prefix of Tonnix's identifiers.
inline constexpr std::string_view tonnixVendorPrefix = "org.tonnix";

using TonnixBundleList = std::vector<TonnixBundlePointer>;

// Failures of installation, and the text of a set skipped as a duplicate.
struct TonnixLibraryError {
  enum class Kind {
    noAudioResources,         // "<folder> contains no audio Tonnix can play"
    couldNotCreateDirectory,  // "Could not create <full path>: <reason>"
    couldNotCopy,             // "Could not copy <folder>: <reason>"
    duplicateIdentifier       // "<folder> was skipped: <identifier> is already installed"
  };

  Kind kind;
  std::filesystem::path url;
  std::string reason;  // the system's description, for the two "Could not" cases
  std::string identifier;

  std::string description() const;
};

// Everything install() can fail with.
using TonnixInstallError = std::variant<TonnixLibraryError, TonnixBundleError, TonnixFileError>;
std::string describe(const TonnixInstallError& error);

// The sets the user can choose from: every bundle NAME.tonnixset in the
// user's sets folder and in the built-in sets folder, sorted by name. A user
// set wins over a built-in set with the same identifier. Installs new sets
// (bundles, or plain folders of audio made into bundles) under names and
// identifiers that do not clash. There is no removal: a set disappears when
// its folder is deleted and the library reloads.
//
// One long-lived object on the main thread; `bundles` and `loadFailures`
// change only in reload() and signal only when they differ.
class TonnixLibrary : public QObject {
  Q_OBJECT
  Q_PROPERTY(TonnixBundleList bundles READ bundles NOTIFY bundlesChanged)
  Q_PROPERTY(QStringList loadFailures READ loadFailures NOTIFY loadFailuresChanged)

 public:
  // Reads both folders at once. Neither folder is created or checked here.
  explicit TonnixLibrary(
      std::filesystem::path directory = standardDirectory(),
      std::optional<std::filesystem::path> builtInDirectory = standardBuiltInDirectory(),
      QObject* parent = nullptr);

  // $XDG_DATA_HOME/tonnix/Tonnix Sets (~/.local/share when unset).
  static std::filesystem::path standardDirectory();
  // $TONNIX_BUILTIN_SETS when set; otherwise the first tonnix/builtin/Tonnix
  // Sets folder in the share folder beside the program's bin folder or in
  // $XDG_DATA_DIRS (/usr/local/share:/usr/share when unset); none if absent.
  static std::optional<std::filesystem::path> standardBuiltInDirectory();

  const std::filesystem::path& directory() const { return directory_; }
  const std::optional<std::filesystem::path>& builtInDirectory() const { return builtInDirectory_; }
  // Every opened set, sorted by name as a file manager sorts (ignoring case,
  // numbers by value); equal names keep the user's sets first.
  const TonnixBundleList& bundles() const { return bundles_; }
  // One text per set folder that could not be used at the last reload.
  const QStringList& loadFailures() const { return loadFailures_; }

  // Rebuilds `bundles` and `loadFailures` from disk.
  void reload();

  // Installs the bundle folder or plain folder of audio at `url` into the
  // user's folder and reloads. Gives the installed set, or null when it is
  // not listed after the reload. A failure leaves the library's sets as they
  // were; a bundle whose copy cannot be given its identifier or opened stays
  // in the folder and shows up among the load failures.
  TonnixExpected<TonnixBundlePointer, TonnixInstallError> install(const std::filesystem::path& url);

  // The first set with exactly this identifier; null for none.
  TonnixBundlePointer bundleWithIdentifier(std::string_view identifier) const;
  TonnixBundlePointer bundleWithIdentifier(const std::optional<std::string>& identifier) const;

  // Creates the user's folder (with parents) when nothing is at its path.
  TonnixExpected<TonnixDone, TonnixLibraryError> ensureDirectory() const;
  // A free "NAME.tonnixset" in the user's folder: "Chimes.tonnixset", then
  // "Chimes 2.tonnixset", ...; NAME is setFolderStem(name), so a name read
  // from a file never reaches outside the folder.
  std::filesystem::path uniqueDestination(const std::string& name) const;
  // "org.tonnix.tonnixset.<slug>", then "-2", "-3", ... until no loaded set
  // has it.
  std::string uniqueIdentifier(const std::string& name) const;

 signals:
  void bundlesChanged();
  void loadFailuresChanged();

 private:
  void loadSets(const std::filesystem::path& folder, bool isBuiltIn, TonnixBundleList& bundles,
                QStringList& failures) const;
  TonnixExpected<TonnixDone, TonnixInstallError> adoptCopiedBundle(
      const std::filesystem::path& destination, const std::string& identifier,
      const std::string& name) const;
  TonnixExpected<TonnixDone, TonnixInstallError> buildFromLooseFiles(
      const std::filesystem::path& source, const std::filesystem::path& destination,
      const std::string& identifier, const std::string& name) const;
  bool hasIdentifier(std::string_view identifier) const;

  std::filesystem::path directory_;
  std::optional<std::filesystem::path> builtInDirectory_;
  TonnixBundleList bundles_;
  QStringList loadFailures_;
};

// A set name as the last part of an identifier: lower-cased, every run of
// characters other than letters, marks and digits (of any script) made one
// "-", none at either end; "set" when nothing is left. "My  Cool Set!"
// gives "my-cool-set".
std::string identifierSlug(std::string_view name);

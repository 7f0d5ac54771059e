#pragma once

#include <QString>
#include <filesystem>
#include <optional>

#include "support/expected.h"

// What the packager told Tonnix about its updates, in the Info.plist that
// is installed as share/tonnix/Info.plist: the appcast's address
// (SUFeedURL), the Base64 Ed25519 key updates are signed with
// (SUPublicEDKey) and the running version (CFBundleVersion and
// CFBundleShortVersionString). Values missing or not strings are nothing.
struct TonnixUpdateConfiguration {
  // The address a packager's template ships with, which counts as unset.
  static constexpr const char* placeholderFeedURL = "https://example.com/appcast.xml";

  std::optional<QString> feedURL;
  std::optional<QString> publicKey;
  std::optional<QString> version;
  std::optional<QString> shortVersion;

  // A missing file is an empty configuration; a damaged one is an error.
  static TonnixExpected<TonnixUpdateConfiguration, QString> read(
      const std::filesystem::path& infoPlist);
  // share/tonnix/Info.plist beside the program's bin folder (the build tree
  // has one too), else in $XDG_DATA_DIRS; nothing when there is none.
  static std::optional<std::filesystem::path> standardLocation();

  // Whether it names a feed to check; distribution builds have none, their
  // updates come from the system's package manager.
  bool hasFeed() const;
  // Why the configuration cannot be trusted, feed first; nothing when it can.
  std::optional<QString> problem() const;
};

#include "sound_generator/default_set_writer.h"

#include <system_error>

#include "library/bundle_writer.h"
#include "sound_generator/aiff_file.h"
#include "sound_generator/default_set.h"

namespace {

namespace fs = std::filesystem;

TonnixBundleMetadata defaultSetMetadata() {
  TonnixBundleMetadata metadata;
  metadata.identifier = kTonnixDefaultSetIdentifier;
  metadata.name = kTonnixDefaultSetName;
  metadata.version = "1.0";
  metadata.author = "Tonnix";
  return metadata;
}

std::string fileFailure(const std::string& what, const fs::path& path, std::error_code error) {
  return "Could not " + what + " " + path.string() + ": " + error.message();
}

// A hidden folder next to `bundle`; the library passes over it, since its
// name does not end in ".tonnixset".
fs::path sibling(const fs::path& bundle, const std::string& suffix) {
  return bundle.parent_path() / ("." + bundle.filename().string() + suffix);
}

TonnixExpected<TonnixDone, std::string> writeContents(const fs::path& folder) {
  const auto skeleton = writeBundle(folder, defaultSetMetadata());
  if (!skeleton) return unexpected(skeleton.error().description());
  const fs::path resources = folder / "Contents" / "Resources";
  for (const TonnixSetEntry* entry : defaultSetEntries()) {
    const auto samples = synthesizeSound(*entry);
    if (!samples) {
      return unexpected("No recipe for " + entry->soundID.description() + " (" + entry->fileName +
                        ")");
    }
    const auto written = writeAiff(resources / entry->fileName, *samples);
    if (!written) return written;
  }
  return TonnixDone{};
}

// Puts `staged` where `bundle` is, keeping the old set until the new one is
// in place.
TonnixExpected<TonnixDone, std::string> replace(const fs::path& bundle, const fs::path& staged) {
  std::error_code error;
  const fs::path previous = sibling(bundle, ".previous");
  fs::remove_all(previous, error);
  const bool hadPrevious = fs::exists(bundle, error);
  if (hadPrevious) {
    fs::rename(bundle, previous, error);
    if (error) return unexpected(fileFailure("move aside", bundle, error));
  }
  fs::rename(staged, bundle, error);
  if (error) {
    const std::string text = fileFailure("move into place", bundle, error);
    if (hadPrevious) fs::rename(previous, bundle, error);
    return unexpected(text);
  }
  fs::remove_all(previous, error);
  return TonnixDone{};
}

// An absolute path without a trailing separator, so that the folder's
// parent and name are what they look like.
fs::path normalisedFolder(const fs::path& folder, std::error_code& error) {
  const fs::path normal = fs::absolute(folder, error).lexically_normal();
  return normal.has_filename() ? normal : normal.parent_path();
}

}  // namespace

TonnixExpected<TonnixDone, std::string> writeDefaultSet(const fs::path& folder) {
  std::error_code error;
  const fs::path bundle = normalisedFolder(folder, error);
  if (error) return unexpected(fileFailure("find", folder, error));
  fs::create_directories(bundle.parent_path(), error);
  if (error) return unexpected(fileFailure("create", bundle.parent_path(), error));

  const fs::path staged = sibling(bundle, ".partial");
  fs::remove_all(staged, error);
  auto outcome = writeContents(staged);
  if (outcome) outcome = replace(bundle, staged);
  if (!outcome) fs::remove_all(staged, error);
  return outcome;
}

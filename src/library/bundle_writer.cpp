#include "library/bundle_writer.h"

#include "library/bundle_info.h"
#include "library/file_access.h"

namespace fs = std::filesystem;

TonnixExpected<fs::path, TonnixFileError> writeBundle(
    const fs::path& bundle, const TonnixBundleMetadata& metadata,
    const std::map<TonnixSoundID, std::string>* sounds) {
  const fs::path resources = bundle / "Contents" / "Resources";
  std::error_code error;
  fs::create_directories(resources, error);
  if (error) return unexpected(TonnixFileError::from(resources, error));
  const auto xml = bundleInfoDictionary(metadata, sounds).xml();
  const fs::path info = bundle / "Contents" / "Info.plist";
  if (!xml) return unexpected(TonnixFileError{info, "the property list could not be serialised"});
  TONNIX_TRY(written, writeWholeFile(info, *xml));
  return bundle;
}

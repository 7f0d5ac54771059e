#include "library/bundle_writer.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "library/bundle_info.h"

namespace fs = std::filesystem;

TonnixExpected<TonnixDone, TonnixFileError> writeWholeFile(const fs::path& file,
                                                           const std::string& bytes) {
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  if (!stream) return unexpected(TonnixFileError{file, std::strerror(errno)});
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  if (!stream) return unexpected(TonnixFileError{file, std::strerror(errno)});
  return TonnixDone{};
}

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
  auto written = writeWholeFile(info, *xml);
  if (!written) return unexpected(written.error());
  return bundle;
}

#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "library/bundle_metadata.h"
#include "library/bundle_writer.h"
#include "sound_file.h"

// Bundles, audio files and folders built in code for the library's tests.
namespace fixtures {

namespace fs = std::filesystem;
using tonnix_test::writeSound;

inline void writeText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

inline std::string readText(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

// A bundle folder written by writeBundle, holding an (unchecked) file for
// each name in `resources`.
inline fs::path makeBundle(const fs::path& folder, const std::string& identifier,
                           const std::string& name, const std::vector<std::string>& resources = {},
                           const std::map<TonnixSoundID, std::string>* sounds = nullptr) {
  TonnixBundleMetadata metadata;
  metadata.identifier = identifier;
  metadata.name = name;
  EXPECT_TRUE(writeBundle(folder, metadata, sounds));
  for (const auto& resource : resources)
    writeText(folder / "Contents" / "Resources" / resource, "x");
  return folder;
}

// A bundle folder with a hand-written Info.plist body (the part inside <dict>).
inline fs::path makeBundleWithInfo(const fs::path& folder, const std::string& dictionaryBody,
                                   const std::vector<std::string>& resources = {}) {
  writeText(folder / "Contents" / "Info.plist",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" +
                dictionaryBody + "</dict></plist>\n");
  fs::create_directories(folder / "Contents" / "Resources");
  for (const auto& resource : resources)
    writeText(folder / "Contents" / "Resources" / resource, "x");
  return folder;
}

inline std::string key(const std::string& name, const std::string& value) {
  return "<key>" + name + "</key><string>" + value + "</string>";
}

class TemporaryFolder {
 public:
  fs::path path() const { return fs::path(folder_.path().toStdString()); }
  fs::path operator/(const std::string& name) const { return path() / name; }

 private:
  QTemporaryDir folder_;
};

}  // namespace fixtures

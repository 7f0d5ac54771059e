// The generator program as the build runs it: the same bytes every time and
// whole replacement of an earlier set.

#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// The generator's exit code, or -1 when it did not finish in time.
int generate(const QStringList& arguments, const QString& workingFolder = {}) {
  QProcess process;
  process.setWorkingDirectory(workingFolder);
  process.start(TONNIX_SOUND_GENERATOR, arguments);
  return process.waitForFinished(60000) ? process.exitCode() : -1;
}

std::map<std::string, std::string> contentsOf(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::ostringstream bytes;
    bytes << std::ifstream(item.path(), std::ios::binary).rdbuf();
    contents[fs::relative(item.path(), folder).string()] = bytes.str();
  }
  return contents;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  return names;
}

}  // namespace

// A run, given a folder relative to the working folder, gives the bytes the
// build made, replaces a stale set there whole and leaves no hidden folders
// beside it.
TEST(SoundGenerator, ARunGivesTheBuiltSetsBytesAndReplacesAnEarlierSetWhole) {
  QTemporaryDir scratch;
  const fs::path set = fs::path(scratch.path().toStdString()) / "Sets" / "Set.tonnixset";
  fs::create_directories(set / "Contents" / "Resources");
  std::ofstream(set / "Contents" / "Resources" / "Stale.aiff") << "left over";
  ASSERT_EQ(generate({"Sets/Set.tonnixset/"}, scratch.path()), 0);

  const auto contents = contentsOf(set);
  EXPECT_TRUE(contents == contentsOf(TONNIX_DEFAULT_SET_DIR));
  EXPECT_EQ(namesIn(set.parent_path()), std::vector<std::string>{"Set.tonnixset"});
}

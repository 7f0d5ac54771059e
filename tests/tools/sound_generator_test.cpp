// The generator program as the build runs it: the same bytes every time,
// whole replacement of an earlier set, and clear failures.

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

struct GeneratorRun {
  int exitCode = -1;
  std::string errors;
};

GeneratorRun runGenerator(const QStringList& arguments, const QString& workingFolder = {}) {
  QProcess process;
  process.setWorkingDirectory(workingFolder);
  process.start(TONNIX_SOUND_GENERATOR, arguments);
  if (!process.waitForFinished(60000)) return {};
  return {process.exitCode(), process.readAllStandardError().toStdString()};
}

GeneratorRun generate(const fs::path& bundle) {
  return runGenerator({QString::fromStdString(bundle.string())});
}

// Every file under `folder` by its relative path, with its bytes.
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& item : fs::recursive_directory_iterator(folder)) {
    if (!item.is_regular_file()) continue;
    std::ifstream file(item.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    contents[fs::relative(item.path(), folder).string()] = bytes.str();
  }
  return contents;
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& item : fs::directory_iterator(folder)) {
    names.push_back(item.path().filename().string());
  }
  return names;
}

}  // namespace

TEST(SoundGenerator, TwoRunsGiveIdenticalBytesAndMatchTheBuiltSet) {
  QTemporaryDir scratch;
  const fs::path root = scratch.path().toStdString();
  ASSERT_EQ(generate(root / "first" / "Set.tonnixset").exitCode, 0);
  ASSERT_EQ(generate(root / "second" / "Set.tonnixset").exitCode, 0);

  const auto first = contentsOf(root / "first" / "Set.tonnixset");
  EXPECT_EQ(first.size(), 139u);  // Info.plist and 138 sounds
  EXPECT_TRUE(first == contentsOf(root / "second" / "Set.tonnixset"));
  EXPECT_TRUE(first == contentsOf(TONNIX_DEFAULT_SET_DIR));
}

TEST(SoundGenerator, ReplacesAnEarlierSetWholeAndLeavesNoHiddenFolders) {
  QTemporaryDir scratch;
  const fs::path root = scratch.path().toStdString();
  const fs::path bundle = root / "Set.tonnixset";
  fs::create_directories(bundle / "Contents" / "Resources");
  std::ofstream(bundle / "Contents" / "Resources" / "Stale.aiff") << "left over";

  ASSERT_EQ(generate(bundle).exitCode, 0);
  EXPECT_FALSE(fs::exists(bundle / "Contents" / "Resources" / "Stale.aiff"));
  EXPECT_TRUE(fs::exists(bundle / "Contents" / "Resources" / "MenuOpen.aiff"));
  EXPECT_EQ(namesIn(root), std::vector<std::string>{"Set.tonnixset"});
}

TEST(SoundGenerator, TakesAFolderRelativeToTheWorkingFolder) {
  QTemporaryDir scratch;
  ASSERT_EQ(runGenerator({"Sets/Set.tonnixset/"}, scratch.path()).exitCode, 0);
  const fs::path sets = fs::path(scratch.path().toStdString()) / "Sets";
  EXPECT_TRUE(fs::exists(sets / "Set.tonnixset" / "Contents" / "Info.plist"));
  EXPECT_EQ(namesIn(sets), std::vector<std::string>{"Set.tonnixset"});
}

TEST(SoundGenerator, FailsClearlyWhenItCannotWrite) {
  QTemporaryDir scratch;
  const fs::path blocker = fs::path(scratch.path().toStdString()) / "blocker";
  std::ofstream(blocker) << "a file where a folder should be";

  const GeneratorRun blocked = generate(blocker / "Set.tonnixset");
  EXPECT_EQ(blocked.exitCode, 1);
  EXPECT_TRUE(
      blocked.errors.starts_with("tonnix_sound_generator: Could not create " + blocker.string()))
      << blocked.errors;

  const GeneratorRun bare = runGenerator({});
  EXPECT_EQ(bare.exitCode, 2);
  EXPECT_TRUE(bare.errors.starts_with("usage: ")) << bare.errors;
}

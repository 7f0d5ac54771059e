#include "library/library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "library/bundle_info.h"
#include "library/folder_copy.h"
#include "library_fixtures.h"

using namespace fixtures;

namespace {

class LibraryTest : public testing::Test {
 protected:
  fs::path user() const { return temp_ / "user"; }
  fs::path builtIn() const { return temp_ / "builtin"; }
  fs::path outside() const { return temp_ / "outside"; }

  std::vector<std::string> names(const TonnixLibrary& library) const {
    std::vector<std::string> result;
    for (const auto& bundle : library.bundles()) result.push_back(bundle->metadata().name);
    return result;
  }

  std::string installFailure(TonnixLibrary& library, const fs::path& url) const {
    auto installed = library.install(url);
    return installed ? std::string("installed") : describe(installed.error());
  }

  TonnixBundlePointer install(TonnixLibrary& library, const fs::path& url) const {
    auto installed = library.install(url);
    EXPECT_TRUE(installed) << describe(installed.error());
    return installed ? installed.value() : nullptr;
  }

  TemporaryFolder temp_;
};

std::set<fs::path> entries(const fs::path& folder) {
  std::set<fs::path> found;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    found.insert(it->path().filename());
  }
  return found;
}

}  // namespace

// Names sort naturally, ignoring case; equal names keep the load order
// (user sets, then built-in ones), and a user set wins over a built-in one
// of the same identifier. Only folders ending in exactly ".tonnixset" are
// looked at.
TEST_F(LibraryTest, LoadsBothFoldersSortedAndReportsWhatItSkipped) {
  makeBundle(user() / "1.tonnixset", "org.example.beta", "Beta");
  makeBundle(user() / "2.tonnixset", "org.example.alpha", "alpha");
  makeBundle(user() / "3.tonnixset", "org.example.alpha10", "Alpha 10");
  makeBundle(builtIn() / "4.tonnixset", "org.example.alpha9", "Alpha 9");
  makeBundle(builtIn() / "A.tonnixset", "org.example.builtin", "Same");
  makeBundle(user() / "Z.tonnixset", "org.example.user2", "Same");
  makeBundle(user() / "B.tonnixset", "org.example.user1", "Same");
  makeBundle(user() / "Mine.tonnixset", "org.example.same", "Mine");
  makeBundle(builtIn() / "Shipped.tonnixset", "org.example.same", "Shipped");
  makeBundle(user() / "Upper.TONNIXSET", "org.example.upper", "Upper");
  makeBundle(user() / "Plain", "org.example.plain", "Plain");
  writeText(user() / "notes.txt", "x");
  writeText(user() / "File.tonnixset", "x");
  TonnixLibrary library(user(), builtIn());
  EXPECT_EQ(names(library), (std::vector<std::string>{"alpha", "Alpha 9", "Alpha 10", "Beta",
                                                      "Mine", "Same", "Same", "Same"}));
  EXPECT_FALSE(library.bundles()[0]->isBuiltIn());
  EXPECT_TRUE(library.bundles()[1]->isBuiltIn());
  EXPECT_EQ(
      (std::vector{library.bundles()[5]->metadata().identifier,
                   library.bundles()[6]->metadata().identifier,
                   library.bundles()[7]->metadata().identifier}),
      (std::vector<std::string>{"org.example.user1", "org.example.user2", "org.example.builtin"}));
  EXPECT_EQ(library.loadFailures(),
            (QStringList{"File.tonnixset is not a folder",
                         "Shipped.tonnixset was skipped: org.example.same is already installed"}));
  EXPECT_EQ(library.bundleWithIdentifier(std::string_view("org.example.same"))->metadata().name,
            "Mine");
  EXPECT_EQ(library.bundleWithIdentifier(std::optional<std::string>()), nullptr);
  EXPECT_EQ(library.bundleWithIdentifier(std::string_view("org.example.other")), nullptr);

  TonnixLibrary missing(temp_ / "none", temp_ / "nothing");
  EXPECT_TRUE(missing.bundles().empty());
  EXPECT_TRUE(missing.loadFailures().isEmpty());
  EXPECT_FALSE(fs::exists(temp_ / "none"));
}

TEST_F(LibraryTest, InstallingTheSameBundleTwiceGivesItANewFolderAndIdentifier) {
  makeBundle(outside() / "Chimes.tonnixset", "org.example.chimes", "Chimes", {"MenuOpen.aiff"});
  const std::string original = readText(outside() / "Chimes.tonnixset" / "Contents" / "Info.plist");
  TonnixLibrary library(user(), std::nullopt);

  auto first = install(library, outside() / "Chimes.tonnixset");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->url(), user() / "Chimes.tonnixset");
  EXPECT_EQ(first->metadata().identifier, "org.example.chimes");
  EXPECT_EQ(readText(user() / "Chimes.tonnixset" / "Contents" / "Info.plist"), original);

  auto second = install(library, outside() / "Chimes.tonnixset");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->url(), user() / "Chimes 2.tonnixset");
  EXPECT_EQ(second->metadata().identifier, "org.tonnix.tonnixset.chimes");
  EXPECT_EQ(second->metadata().name, "Chimes");
  EXPECT_EQ(library.bundles().size(), 2u);
  EXPECT_TRUE(library.loadFailures().isEmpty());
}

// A copy given a new identifier keeps its other keys and takes the folder
// name when it has none; a bundle without a usable Info.plist gets a fresh
// one.
TEST_F(LibraryTest, ReidentifiedCopiesKeepTheirKeysAndUnusableInfoIsReplaced) {
  makeBundle(user() / "Old.tonnixset", "org.example.taken", "Old");
  makeBundleWithInfo(
      outside() / "Nameless.tonnixset",
      key("CFBundleIdentifier", "org.example.taken") + key("TonnixSetAuthor", "Ann"));
  fs::create_directories(outside() / "Raw.tonnixset" / "Contents" / "Resources");
  writeText(outside() / "Broken.tonnixset" / "Contents" / "Info.plist", "garbage");
  fs::create_directories(outside() / "Broken.tonnixset" / "Contents" / "Resources");
  TonnixLibrary library(user(), std::nullopt);
  auto installed = install(library, outside() / "Nameless.tonnixset");
  ASSERT_TRUE(installed);
  EXPECT_EQ(installed->metadata(),
            (TonnixBundleMetadata{"org.tonnix.tonnixset.nameless", "Nameless", std::nullopt, "Ann",
                                  std::nullopt}));
  const std::string xml = readText(installed->url() / "Contents" / "Info.plist");
  EXPECT_LT(xml.find("CFBundleIdentifier"), xml.find("TonnixSetAuthor"));

  auto raw = install(library, outside() / "Raw.tonnixset");
  ASSERT_TRUE(raw);
  EXPECT_EQ(raw->metadata(), (TonnixBundleMetadata{"org.tonnix.tonnixset.raw", "Raw", std::nullopt,
                                                   std::nullopt, std::nullopt}));
  auto broken = install(library, outside() / "Broken.tonnixset");
  ASSERT_TRUE(broken);
  EXPECT_EQ(broken->metadata().identifier, "org.tonnix.tonnixset.broken");
}

TEST_F(LibraryTest, LooseFolderBecomesABundleOfItsPlayableFiles) {
  for (const char* name : {"MenuOpen.aiff", "other.wav", "notes.txt", ".hidden.aiff",
                           "sub/MenuClose.aiff", "ButtonPress.m4a", "ButtonPress.wav"}) {
    writeText(outside() / "My Sounds!" / name, "x");
  }
  TonnixLibrary library(user(), std::nullopt);
  auto installed = install(library, outside() / "My Sounds!");
  ASSERT_TRUE(installed);
  EXPECT_EQ(installed->url(), user() / "My Sounds!.tonnixset");
  EXPECT_EQ(std::pair(installed->metadata().identifier, installed->metadata().name),
            (std::pair<std::string, std::string>("org.tonnix.tonnixset.my-sounds", "My Sounds!")));
  EXPECT_EQ(entries(installed->url() / "Contents" / "Resources"),
            (std::set<fs::path>{"ButtonPress.wav", "MenuOpen.aiff", "other.wav"}));
  EXPECT_TRUE(installed->containsSound(TonnixSoundID("mnuo")));
  EXPECT_EQ(installed->unmatchedResourceNames(), std::vector<std::string>{"other.wav"});
}

TEST_F(LibraryTest, FolderWithoutAudioFailsAndLeavesNothingBehind) {
  writeText(outside() / "Texts" / "readme.txt", "x");
  writeText(outside() / "Texts" / "Song.m4a", "AAC, which the player cannot decode");
  makeBundle(user() / "Kept.tonnixset", "org.example.kept", "Kept");
  TonnixLibrary library(user(), std::nullopt);
  EXPECT_EQ(installFailure(library, outside() / "Texts"),
            "Texts contains no audio Tonnix can play");
  EXPECT_EQ(installFailure(library, outside() / "Nowhere"),
            "Nowhere contains no audio Tonnix can play");
  EXPECT_EQ(entries(user()), std::set<fs::path>{"Kept.tonnixset"});
  EXPECT_EQ(names(library), std::vector<std::string>{"Kept"});
}

TEST_F(LibraryTest, NeverCopiesWhatALinkOutsideTheSetPointsTo) {
  writeText(temp_ / "secret.aiff", "secret");
  const fs::path bundle =
      makeBundle(outside() / "Linked.tonnixset", "org.example.linked", "Linked", {"MenuOpen.aiff"});
  const fs::path resources = bundle / "Contents" / "Resources";
  fs::create_symlink(temp_ / "secret.aiff", resources / "MenuClose.aiff");
  fs::create_symlink("MenuOpen.aiff", resources / "MenuItemHilite.aiff");
  fs::create_symlink("..", resources / "Parent");
  fs::create_directories(outside() / "Loose");
  fs::create_symlink(temp_ / "secret.aiff", outside() / "Loose" / "MenuClose.aiff");

  TonnixLibrary library(user(), std::nullopt);
  testing::internal::CaptureStderr();
  auto installed = install(library, bundle);
  const std::string loose = installFailure(library, outside() / "Loose");
  const std::string output = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(installed);
  const fs::path copied = installed->url() / "Contents" / "Resources";
  EXPECT_EQ(entries(copied), (std::set<fs::path>{"MenuItemHilite.aiff", "MenuOpen.aiff"}));
  EXPECT_FALSE(fs::is_symlink(copied / "MenuItemHilite.aiff"));
  EXPECT_EQ(readText(copied / "MenuItemHilite.aiff"), "x");
  EXPECT_EQ(loose, "Loose contains no audio Tonnix can play");
  EXPECT_NE(output.find("TonnixLibrary: left out Contents/Resources/MenuClose.aiff"),
            std::string::npos);
  EXPECT_NE(output.find("TonnixLibrary: could not copy MenuClose.aiff"), std::string::npos);
}

// A folder of the set swapped for a link to a private folder after the
// set was read, just before its file is copied: the file opened is checked
// where it really is, so the private file is never copied.
TEST_F(LibraryTest, AFolderSwappedForALinkBeforeTheCopyIsNeverFollowed) {
  writeText(temp_ / "private" / "MenuOpen.aiff", "secret");
  const fs::path set = outside() / "Swapped";
  fs::create_directories(set);
  fs::create_symlink(temp_ / "private", set / "stereo");
  TonnixCopyBudget budget;
  const auto copied =
      copyFileWithin(set, set / "stereo" / "MenuOpen.aiff", temp_ / "copy.aiff", budget);
  ASSERT_FALSE(copied);
  EXPECT_EQ(copied.error(), "it lies outside the folder");
  EXPECT_FALSE(fs::exists(temp_ / "copy.aiff"));
}

TEST_F(LibraryTest, ASetBeyondItsBoundsIsNotCopied) {
  const fs::path many = makeBundle(outside() / "Many.tonnixset", "org.example.many", "Many");
  for (int n = 0; n < TonnixCopyBudget::mostSetEntries; ++n) {
    writeText(many / "Contents" / "Resources" / (std::to_string(n) + ".aiff"), "");
  }
  const fs::path large =
      makeBundle(outside() / "Large.tonnixset", "org.example.large", "Large", {"MenuOpen.aiff"});
  fs::resize_file(large / "Contents" / "Resources" / "MenuOpen.aiff",
                  TonnixCopyBudget::largestSetBytes + 1);
  TonnixLibrary library(user(), std::nullopt);
  EXPECT_EQ(installFailure(library, many),
            "Could not copy Many.tonnixset: it holds more than 1000 files");
  EXPECT_EQ(installFailure(library, large),
            "Could not copy Large.tonnixset: it holds more than 256 MB");
  EXPECT_TRUE(entries(user()).empty());
}

TEST_F(LibraryTest, FailedCopyLeavesNoHalfMadeFolder) {
  if (geteuid() == 0) GTEST_SKIP() << "file permissions do not stop the superuser";
  const fs::path bundle =
      makeBundle(outside() / "Locked.tonnixset", "org.example.locked", "Locked", {"MenuOpen.aiff"});
  fs::permissions(bundle / "Contents" / "Resources" / "MenuOpen.aiff", fs::perms::none);
  TonnixLibrary library(user(), std::nullopt);
  EXPECT_EQ(installFailure(library, bundle), "Could not copy Locked.tonnixset: Permission denied");
  EXPECT_TRUE(entries(user()).empty());
}

TEST_F(LibraryTest, EnsuresItsFolderAndReportsWhenItCannotOrWouldCopyIntoItself) {
  TonnixLibrary library(user() / "deep" / "Tonnix Sets", std::nullopt);
  EXPECT_TRUE(library.ensureDirectory());
  EXPECT_TRUE(fs::is_directory(user() / "deep" / "Tonnix Sets"));

  writeText(temp_ / "blocker", "x");
  TonnixLibrary blocked(temp_ / "blocker" / "Tonnix Sets", std::nullopt);
  const auto made = blocked.ensureDirectory();
  ASSERT_FALSE(made);
  EXPECT_EQ(
      made.error().description(),
      "Could not create " + (temp_ / "blocker" / "Tonnix Sets").string() + ": Not a directory");
  writeText(outside() / "Loose" / "MenuOpen.aiff", "x");
  EXPECT_EQ(installFailure(blocked, outside() / "Loose"), made.error().description());

  const fs::path self = makeBundle(user() / "Self.tonnixset", "org.example.self", "Self");
  TonnixLibrary inside(self / "Contents", std::nullopt);
  EXPECT_EQ(installFailure(inside, self),
            "Could not copy Self.tonnixset: the destination lies inside the folder");
}

TEST_F(LibraryTest, UniqueDestinationsAndIdentifiers) {
  makeBundle(user() / "Sound Set.tonnixset", "org.tonnix.tonnixset.set", "Sound Set");
  makeBundle(user() / "X.tonnixset", "org.tonnix.tonnixset.set-2", "X");
  TonnixLibrary library(user(), std::nullopt);
  EXPECT_EQ(library.uniqueDestination(""), user() / "Sound Set 2.tonnixset");
  EXPECT_EQ(library.uniqueIdentifier(""), "org.tonnix.tonnixset.set-3");
}

TEST(IdentifierSlug, KeepsLettersMarksAndDigitsOfAnyScript) {
  EXPECT_EQ(identifierSlug("My  Cool Set!"), "my-cool-set");
  EXPECT_EQ(identifierSlug("Platinum 9.2"), "platinum-9-2");
  EXPECT_EQ(identifierSlug("Ünïcödé Sét"), "ünïcödé-sét");
  EXPECT_EQ(identifierSlug("e\xCC\x81t\xC3\xA9"), "e\xCC\x81t\xC3\xA9");
  EXPECT_EQ(identifierSlug("ΣΟΦΙΑ Звук"), "σοφια-звук");
  EXPECT_EQ(identifierSlug("tab\there"), "tab-here");
}

#include "library/bundle.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include "library_fixtures.h"

using namespace fixtures;

namespace {

std::string openFailure(const fs::path& folder) {
  auto opened = TonnixBundle::open(folder, false);
  return opened ? std::string("opened") : opened.error().description();
}

TonnixBundlePointer openOrFail(const fs::path& folder) {
  auto opened = TonnixBundle::open(folder, false);
  EXPECT_TRUE(opened) << opened.error().description();
  return opened ? opened.value() : nullptr;
}

std::string resourceName(const TonnixBundle& bundle, const char (&code)[5]) {
  const auto url = bundle.soundURL(TonnixSoundID(code));
  return url ? url->filename().string() : std::string("none");
}

const std::string chimesInfo = key("CFBundleIdentifier", "org.example.chimes");

// A binary Info.plist holding the given string keys.
std::string binaryInfo(const std::map<std::string, std::string>& strings) {
  plist_t root = plist_new_dict();
  for (const auto& [name, value] : strings) {
    plist_dict_set_item(root, name.c_str(), plist_new_string(value.c_str()));
  }
  char* bytes = nullptr;
  uint32_t length = 0;
  plist_to_bin(root, &bytes, &length);
  std::string binary(bytes, length);
  plist_to_bin_free(bytes);
  plist_free(root);
  return binary;
}

}  // namespace

TEST(BundleOpen, ReportsTheFirstFailingCheckWithItsText) {
  TemporaryFolder temp;
  writeText(temp / "File.tonnixset", "not a folder");
  EXPECT_EQ(openFailure(temp / "File.tonnixset"), "File.tonnixset is not a folder");
  EXPECT_EQ(openFailure(temp / "Missing.tonnixset"), "Missing.tonnixset is not a folder");
  fs::create_directories(temp / "Empty.tonnixset" / "Contents" / "Resources");
  EXPECT_EQ(openFailure(temp / "Empty.tonnixset"), "Empty.tonnixset has no Contents/Info.plist");
  const std::pair<std::string, std::string> infos[] = {
      {"<plist><dict><key>", "has an unreadable Contents/Info.plist"},
      {"<?xml version=\"1.0\"?><plist version=\"1.0\"><array/></plist>",
       "has an unreadable Contents/Info.plist"},
      {"<plist><dict>" + key("CFBundleName", "x") + "</dict></plist>",
       "gives the set no identifier in Contents/Info.plist"},
      {"<plist><dict>" + key("CFBundleIdentifier", "") + "</dict></plist>",
       "gives the set no identifier in Contents/Info.plist"},
      {"<plist><dict><key>CFBundleIdentifier</key><integer>3</integer></dict></plist>",
       "gives the set no identifier in Contents/Info.plist"}};
  for (const auto& [info, failure] : infos) {
    writeText(temp / "S.tonnixset" / "Contents" / "Info.plist", info);
    EXPECT_EQ(openFailure(temp / "S.tonnixset"), "S.tonnixset " + failure) << info;
  }
  writeText(temp / "NoResources.tonnixset" / "Contents" / "Info.plist",
            "<plist version=\"1.0\"><dict>" + chimesInfo + "</dict></plist>");
  EXPECT_EQ(openFailure(temp / "NoResources.tonnixset"),
            "Could not read NoResources.tonnixset/Contents/Resources: No such file or directory");
}

TEST(BundleOpen, ReadsMetadataWithItsFallbacks) {
  TemporaryFolder temp;
  makeBundleWithInfo(temp / "Chimes.tonnixset",
                     chimesInfo + "<key>CFBundleName</key><integer>4</integer>" +
                         "<key>TonnixSetFormatVersion</key><string>2</string>" +
                         key("TonnixSetAuthor", "Ann") + key("Unknown", "ignored"));
  auto bundle = openOrFail(temp / "Chimes.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->metadata(), (TonnixBundleMetadata{"org.example.chimes", "Chimes", std::nullopt,
                                                      "Ann", std::nullopt}));

  makeBundleWithInfo(temp / "Blank.v2.tonnixset", chimesInfo + key("CFBundleName", "") +
                                                      "<key>TonnixSetFormatVersion</key>"
                                                      "<integer>7</integer>");
  bundle = openOrFail(temp / "Blank.v2.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(std::pair(bundle->metadata().name, bundle->metadata().formatVersion),
            std::pair(std::string(), std::int64_t{7}));
}

// Binary lists are read; but libplist recurses per nesting level and
// aborts on NUL in binary strings, so such lists are refused before it sees
// them.
TEST(BundleOpen, ReadsBinaryPropertyListsAndRefusesThoseThatWouldBreakTheParser) {
  TemporaryFolder temp;
  writeText(temp / "B.tonnixset" / "Contents" / "Info.plist",
            binaryInfo({{"CFBundleIdentifier", "org.example.binary"}, {"CFBundleName", "Binary"}}));
  fs::create_directories(temp / "B.tonnixset" / "Contents" / "Resources");
  auto bundle = openOrFail(temp / "B.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->metadata(), (TonnixBundleMetadata{"org.example.binary", "Binary", std::nullopt,
                                                      std::nullopt, std::nullopt}));

  std::string nested;
  for (int n = 0; n < 50000; ++n) nested += "<array>";
  makeBundleWithInfo(temp / "Deep.tonnixset", chimesInfo + "<key>x</key>" + nested);
  EXPECT_EQ(openFailure(temp / "Deep.tonnixset"),
            "Deep.tonnixset has an unreadable Contents/Info.plist");

  std::string binary = binaryInfo({{"CFBundleIdentifier", "org.example.nul"}});
  // Turn the ASCII identifier "org.example.nul" into one holding a NUL.
  binary[binary.find("org.example.nul") + 3] = '\0';
  writeText(temp / "Nul.tonnixset" / "Contents" / "Info.plist", binary);
  fs::create_directories(temp / "Nul.tonnixset" / "Contents" / "Resources");
  EXPECT_EQ(openFailure(temp / "Nul.tonnixset"),
            "Nul.tonnixset has an unreadable Contents/Info.plist");
}

TEST(BundleOpen, MatchesResourcesByCatalogueBaseNameIgnoringCase) {
  TemporaryFolder temp;
  makeBundleWithInfo(temp / "S.tonnixset", chimesInfo,
                     {"btnp.aiff", "WindowClosePress.AIFF", "MenuItemHilite.aiff",
                      "menuitemhilite.caf", "MENUITEMHILITE.wav", "DragTragetDrop.aiff",
                      "ApplicationQuit.aiff", "readme.txt", "cover.png", "MenuOpen",
                      ".MenuClose.aiff", "ButtonPress.m4a", "ButtonPress.wav", "Extra.Dots.wav"});
  auto bundle = openOrFail(temp / "S.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(resourceName(*bundle, "wclp"), "WindowClosePress.AIFF");
  // Upper case sorts first and wins.
  EXPECT_EQ(resourceName(*bundle, "mnui"), "MENUITEMHILITE.wav");
  EXPECT_EQ(resourceName(*bundle, "dtdr"), "DragTragetDrop.aiff");
  EXPECT_EQ(resourceName(*bundle, "!aqt"), "ApplicationQuit.aiff");
  // The player cannot decode .m4a, so the .wav plays, though .m4a sorts first.
  EXPECT_EQ(resourceName(*bundle, "btnp"), "ButtonPress.wav");
  EXPECT_EQ(resourceName(*bundle, "mnuo"), "none");
  EXPECT_EQ(resourceName(*bundle, "mnuc"), "none");

  EXPECT_EQ(bundle->unmatchedResourceNames(),
            (std::vector<std::string>{"Extra.Dots.wav", "btnp.aiff"}));
  const std::map<std::string, std::vector<std::string>> collisions = {
      {"menuitemhilite", {"MenuItemHilite.aiff", "menuitemhilite.caf"}}};
  EXPECT_EQ(bundle->baseNameCollisions(), collisions);
  EXPECT_EQ(bundle->soundURLsByID().size(), 5u);
}

TEST(BundleOpen, SortsResourcesByComposedForm) {
  TemporaryFolder temp;
  // "é" composed (U+00E9) and decomposed (e + U+0301) both sort after "f"
  // once composed, so the plain "f..." name is met first either way.
  makeBundleWithInfo(temp / "S.tonnixset", chimesInfo,
                     {"e\xCC\x81.aiff", "f.aiff", "\xC3\xA9x.aiff"});
  auto bundle = openOrFail(temp / "S.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(bundle->unmatchedResourceNames(),
            (std::vector<std::string>{"f.aiff", "e\xCC\x81.aiff", "\xC3\xA9x.aiff"}));
}

TEST(BundleOpen, HonoursAnExplicitMapOfStringsFirst) {
  TemporaryFolder temp;
  const std::string map = "<key>TonnixSetSounds</key><dict>" + key("mnuo", "custom.wav") +
                          key("mnu", "b.wav") + key("mnuox", "b.wav") + key("wclp", "missing.wav") +
                          key("wcle", ".hidden.wav") + key("wclx", "notes.txt") +
                          key("wclr", "Custom.wav") + key("zzzz", "b.wav") + "</dict>";
  makeBundleWithInfo(temp / "S.tonnixset", chimesInfo + map,
                     {"custom.wav", "MenuOpen.aiff", "b.wav", ".hidden.wav", "notes.txt"});
  auto bundle = openOrFail(temp / "S.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_EQ(resourceName(*bundle, "mnuo"), "custom.wav");
  // Identifiers outside the catalogue are allowed.
  EXPECT_EQ(resourceName(*bundle, "zzzz"), "b.wav");
  for (const char* skipped : {"wclp", "wcle", "wclx", "wclr"}) {
    EXPECT_FALSE(bundle->containsSound(*TonnixSoundID::fromText(skipped))) << skipped;
  }
  EXPECT_EQ(bundle->unmatchedResourceNames(), std::vector<std::string>{});
  const std::map<std::string, std::vector<std::string>> collisions = {
      {"menuopen", {"MenuOpen.aiff"}}};
  EXPECT_EQ(bundle->baseNameCollisions(), collisions);

  // A map with any value that is no string is ignored whole.
  makeBundleWithInfo(temp / "N.tonnixset",
                     chimesInfo + "<key>TonnixSetSounds</key><dict>" + key("mnuo", "custom.wav") +
                         "<key>mnuc</key><integer>1</integer></dict>",
                     {"custom.wav"});
  bundle = openOrFail(temp / "N.tonnixset");
  ASSERT_TRUE(bundle);
  EXPECT_FALSE(bundle->containsSound(TonnixSoundID("mnuo")));
  EXPECT_EQ(bundle->unmatchedResourceNames(), std::vector<std::string>{"custom.wav"});
}

TEST(BundleWriter, RoundTripsThroughOpenAndReportsAFolderThatCannotBeMade) {
  TemporaryFolder temp;
  const TonnixBundleMetadata full{"org.example.full", "Full", "1.0", "Ann & <Bob>", "© 1997"};
  const std::map<TonnixSoundID, std::string> sounds = {{TonnixSoundID("mnuo"), "open.wav"}};
  const fs::path folder = temp / "Full.tonnixset";
  const auto written = writeBundle(folder, full, &sounds);
  ASSERT_TRUE(written);
  EXPECT_EQ(*written, folder);
  writeText(folder / "Contents" / "Resources" / "open.wav", "x");
  const auto opened = openOrFail(folder);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->metadata(), full);
  EXPECT_EQ(resourceName(*opened, "mnuo"), "open.wav");

  writeText(temp / "blocker", "a file where a folder should go");
  const auto blocked = writeBundle(temp / "blocker" / "S.tonnixset", full);
  ASSERT_FALSE(blocked);
  EXPECT_NE(blocked.error().description().find("Not a directory"), std::string::npos);
}

TEST(BundleWriter, WritesKeysInTheirFixedOrderAndReplacesAnOldFile) {
  TemporaryFolder temp;
  const fs::path folder = temp / "S.tonnixset";
  writeText(folder / "Contents" / "Info.plist", std::string(10000, 'x'));
  const TonnixBundleMetadata metadata{"org.example.s", "S", std::nullopt, std::nullopt, "c"};
  const std::map<TonnixSoundID, std::string> empty;
  ASSERT_TRUE(writeBundle(folder, metadata, &empty));
  const std::string xml = readText(folder / "Contents" / "Info.plist");
  std::size_t last = 0;
  for (const char* name :
       {"CFBundleIdentifier", "CFBundleName", "CFBundlePackageType",
        "CFBundleInfoDictionaryVersion", "TonnixSetFormatVersion", "NSHumanReadableCopyright"}) {
    const auto at = xml.find(std::string("<key>") + name + "</key>");
    ASSERT_NE(at, std::string::npos) << name;
    EXPECT_GT(at, last) << name;
    last = at;
  }
  EXPECT_EQ(xml.find("TonnixSetSounds"), std::string::npos);
  EXPECT_EQ(xml.find("CFBundleShortVersionString"), std::string::npos);
  EXPECT_NE(xml.find("<string>TNXS</string>"), std::string::npos);
  EXPECT_NE(xml.find("<integer>1</integer>"), std::string::npos);
}

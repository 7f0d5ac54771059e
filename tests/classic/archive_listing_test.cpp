#include "classic/archive_listing.h"

#include <gtest/gtest.h>

namespace {

using Kind = TonnixArchiveError::Kind;

// Trimmed from lsar 1.10's output for a StuffIt archive: a set whose data
// fork is empty appears as its resource fork alone.
constexpr std::string_view kStuffItListing = R"({
  "lsarFormatVersion": 2,
  "lsarContents": [
    {"XADFileName": "Sets", "XADIsDirectory": 1, "XADIndex": 0},
    {"XADFileName": "Sets/Chimes", "XADIsResourceFork": 1, "XADFileSize": 40, "XADIndex": 1},
    {"XADFileName": "Sets/Read Me", "XADFileSize": 5, "XADIndex": 2}
  ],
  "lsarEncoding": "macintosh",
  "lsarFormatName": "StuffIt",
  "lsarProperties": {"XADArchiveName": "Sets.sit"}
})";

TonnixArchiveListing listing(std::vector<TonnixArchiveEntry> entries) {
  return {"Zip", false, 0, std::move(entries)};
}

std::string refusal(const TonnixArchiveListing& listing, const TonnixArchiveLimits& limits = {}) {
  const auto checked = checkArchiveListing(listing, "/downloads/Sets.sit", limits);
  return checked ? std::string("accepted") : checked.error().description();
}

}  // namespace

TEST(ArchiveListingTest, ReadsLsarsEntriesAndTellsOtherOutputApart) {
  const auto parsed = parseArchiveListing(kStuffItListing);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->formatName, "StuffIt");
  EXPECT_EQ(parsed->error, 0);
  EXPECT_EQ(parsed->entries,
            (std::vector<TonnixArchiveEntry>{{"Sets", 0, true, false, false},
                                             {"Sets/Chimes", 40, false, false, false},
                                             {"Sets/Read Me", 5, false, false, false}}));
  EXPECT_EQ(refusal(*parsed), "accepted");

  // What lsar prints for a file it does not know, and output that is no listing.
  const auto unknown = parseArchiveListing(R"({"lsarFormatVersion": 2, "lsarError": 0})");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(refusal(*unknown), "Sets.sit is not an archive Tonnix can unpack");
  EXPECT_FALSE(parseArchiveListing("Couldn't recognize the archive format."));
  EXPECT_FALSE(parseArchiveListing(R"({"XADFileName": "x"})"));
}

TEST(ArchiveListingTest, LockedDamagedLargeAndEscapingArchivesAreRefusedInTheirOwnWords) {
  auto locked = *parseArchiveListing(
      R"({"lsarFormatVersion": 2, "lsarFormatName": "Zip", "lsarProperties": {"XADIsEncrypted": 1},
          "lsarContents": [{"XADFileName": "Chimes", "XADIsEncrypted": 1}]})");
  EXPECT_EQ(refusal(locked), "Sets.sit is protected by a password");
  locked.isEncrypted = false;
  EXPECT_EQ(refusal(locked), "Sets.sit is protected by a password") << "one locked entry is enough";
  EXPECT_EQ(refusal({"RAR", false, 15, {}}), "Sets.sit is protected by a password");
  EXPECT_EQ(refusal({"StuffIt", false, 17, {}}), "Sets.sit is damaged and could not be unpacked");

  const TonnixArchiveLimits small{3, 100};
  EXPECT_EQ(refusal(listing({{"a", 1}, {"b", 1}, {"c", 1}}), small), "accepted");
  EXPECT_EQ(refusal(listing({{"a", 1}, {"b", 1}, {"c", 1}, {"d", 1}}), small),
            "Sets.sit was not unpacked: it holds more than 3 files");
  EXPECT_EQ(refusal(listing({{"a", 60}, {"b", 40}}), small), "accepted");
  EXPECT_EQ(
      refusal(listing({{"a", 60u << 20}, {"b", UINT64_MAX}}), TonnixArchiveLimits{3, 100u << 20}),
      "Sets.sit was not unpacked: it would take more than 100 MB")
      << "sizes that would overflow a sum";

  for (const std::string name : {"../x", "Sets/../../x", "/etc/x", ""}) {
    EXPECT_EQ(refusal(listing({{"Sets/Chimes", 1}, {name, 1}})),
              "Sets.sit was not unpacked: its entry " + name + " leads outside its folder");
  }
  EXPECT_EQ(refusal(listing({{"Sets/..Chimes..", 1}, {"./Sets/x", 1}})), "accepted");
  EXPECT_EQ(refusal(listing({{"Sets/Chimes", 0, false, true}})),
            "Sets.sit was not unpacked: its entry Sets/Chimes is a link");
}

#include "classic/classic_set_import.h"

#include <map>
#include <set>
#include <system_error>

#include "catalogue/catalogue.h"
#include "classic/fork_source.h"
#include "classic/sound_resource_decoder.h"
#include "library/bundle_writer.h"
#include "library/library.h"
#include "library/path_names.h"

namespace fs = std::filesystem;

namespace {

using ImportKind = TonnixClassicImportError::Kind;

std::string stemOf(const TonnixSetEntry& entry) {
  return fs::path(entry.fileName).stem().string();
}

// A copy that appears only when complete, like every file Tonnix writes.
bool copyWhole(const fs::path& from, const fs::path& to) {
  std::string partialName = ".";
  partialName += to.filename().string();
  partialName += ".part";
  const fs::path partial = to.parent_path() / partialName;
  std::error_code error;
  fs::copy_file(from, partial, fs::copy_options::overwrite_existing, error);
  if (!error) fs::rename(partial, to, error);
  if (!error) return true;
  fs::remove(partial, error);
  return false;
}

// Decodes each mapped resource once and writes it under the catalogue name
// of every identifier it plays.
class SoundConversion {
 public:
  SoundConversion(const TonnixClassicSoundSet& set, fs::path resources,
                  const TonnixAudioFileWriter& writer)
      : set_(set), resources_(std::move(resources)), writer_(writer) {}

  TonnixExpected<TonnixClassicImportSummary, TonnixClassicImportError> run() {
    // The map is ordered by the identifiers' 32-bit values.
    for (const auto& [soundID, resourceID] : set_.resourceIDsBySoundID) {
      TONNIX_TRY(converted, convert(soundID, resourceID));
    }
    return TonnixClassicImportSummary{set_.name, written_, skipped_,
                                      static_cast<int>(writtenFiles_.size())};
  }

 private:
  TonnixExpected<TonnixDone, TonnixClassicImportError> convert(TonnixSoundID soundID,
                                                               std::int16_t resourceID) {
    const auto* entry = entryForSoundID(soundID);
    if (!entry) return skip();
    const std::string stem = stemOf(*entry);
    const fs::path file = resources_ / (stem + ".caf");
    std::error_code error;
    if (fs::exists(file, error)) return TonnixDone{};
    if (const auto written = writtenFiles_.find(resourceID); written != writtenFiles_.end()) {
      return copyWhole(written->second, file) ? count() : skip();
    }
    if (failed_.contains(resourceID)) return skip();
    const auto body = set_.soundBodies.find(resourceID);
    const auto sound =
        body == set_.soundBodies.end() ? std::nullopt : decodeSoundResource(body->second);
    if (!sound) {
      failed_.insert(resourceID);
      return skip();
    }
    auto written =
        writeAudioFile(writer_, sound->channelCount, sound->samples, file, stem, sound->sampleRate);
    if (!written) return written;
    writtenFiles_.emplace(resourceID, file);
    return count();
  }

  TonnixDone skip() {
    ++skipped_;
    return {};
  }
  TonnixDone count() {
    ++written_;
    return {};
  }

  const TonnixClassicSoundSet& set_;
  const fs::path resources_;
  const TonnixAudioFileWriter& writer_;
  std::map<std::int16_t, fs::path> writtenFiles_;
  std::set<std::int16_t> failed_;
  int written_ = 0;
  int skipped_ = 0;
};

}  // namespace

std::string importSummaryText(const TonnixClassicImportSummary& summary) {
  std::string text = "Imported " + summary.name + ": " + std::to_string(summary.writtenEventCount) +
                     " events from " + std::to_string(summary.distinctSoundCount) + " sounds";
  if (summary.skippedEventCount > 0) {
    text += ", " + std::to_string(summary.skippedEventCount) + " skipped";
  }
  return text;
}

std::string TonnixClassicImportError::description() const {
  switch (kind) {
    case ImportKind::noConvertibleSounds:
      return "Nothing in " + locationFileName(file.string()) + " could be decoded into audio";
    case ImportKind::couldNotWriteAudio:
      return "Could not write " + stem + ": " + reason;
    case ImportKind::couldNotAllocateBuffer:
      return "Could not allocate an audio buffer for " + stem;
  }
  return {};
}

std::string describe(const TonnixClassicImportFailure& failure) {
  return std::visit([](const auto& error) { return std::string(error.description()); }, failure);
}

TonnixExpected<TonnixClassicImportSummary, TonnixClassicImportFailure> importClassicSet(
    const fs::path& classicFile, const fs::path& scratchFolder,
    const TonnixAudioFileWriter& writer) {
  auto set = TonnixClassicSoundSet::read(classicFile.string());
  if (!set) return unexpected(TonnixClassicImportFailure(set.error()));

  const fs::path bundle = scratchFolder / setFolderName(set->name);
  const TonnixBundleMetadata metadata{
      std::string(tonnixVendorPrefix) + ".tonnixset.imported." + identifierSlug(set->name),
      set->name,
      set->version,
      std::nullopt,
      set->copyright,
      tonnixSetFormatVersion};
  if (auto written = writeBundle(bundle, metadata); !written) {
    return unexpected(TonnixClassicImportFailure(written.error()));
  }

  auto summary = SoundConversion(*set, bundle / "Contents" / "Resources", writer).run();
  if (!summary) return unexpected(TonnixClassicImportFailure(summary.error()));
  if (summary->writtenEventCount < 1) {
    std::error_code ignored;
    fs::remove_all(bundle, ignored);
    return unexpected(TonnixClassicImportFailure(
        TonnixClassicImportError{ImportKind::noConvertibleSounds, classicFile, {}, {}}));
  }
  return std::move(*summary);
}

TonnixExpected<TonnixDone, TonnixClassicImportError> writeAudioFile(
    const TonnixAudioFileWriter& writer, std::uint32_t channelCount,
    std::span<const std::int16_t> samples, const fs::path& destination, const std::string& stem,
    double sampleRate) {
  if (channelCount == 0 || !(sampleRate > 0) || samples.size() < channelCount) {
    return unexpected(TonnixClassicImportError{ImportKind::couldNotAllocateBuffer, {}, stem, {}});
  }
  const std::size_t frames = samples.size() / channelCount;
  auto written = writer.writeCaf16(destination, sampleRate, channelCount,
                                   samples.first(frames * channelCount));
  if (!written) {
    return unexpected(
        TonnixClassicImportError{ImportKind::couldNotWriteAudio, {}, stem, written.error()});
  }
  return TonnixDone{};
}

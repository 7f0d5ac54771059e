#include "library/sound_theme_export.h"

#include <sndfile.h>

#include <QStandardPaths>
#include <QUuid>
#include <array>
#include <map>
#include <memory>

#include "library/file_access.h"
#include "library/index_theme.h"
#include "library/library.h"
#include "library/sound_theme_names.h"
#include "platform/audio.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view ourMark = "X-Tonnix-Theme=true";

struct SndfileCloser {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

TonnixThemeExportError themeError(TonnixThemeExportError::Kind kind, const fs::path& folder,
                                  std::string reason = {}) {
  return {kind, folder, std::move(reason)};
}

// A desktop entry value is one line.
std::string oneLine(const std::string& text) {
  std::string line;
  for (const char c : text) line += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  return line;
}

std::string indexTheme(const std::string& name) {
  return "[Sound Theme]\nName=" + oneLine(name) +
         "\nComment=Classic sounds chosen in Tonnix\nInherits=freedesktop\nDirectories=stereo\n" +
         std::string(ourMark) + "\n\n[stereo]\nOutputProfile=stereo\n";
}

// libcanberra reads only 8- and 16-bit PCM from WAV files, and Vorbis from Ogg.
bool isPlayedAsItIs(int format) {
  const int major = format & SF_FORMAT_TYPEMASK;
  const int sub = format & SF_FORMAT_SUBMASK;
  if (major == SF_FORMAT_OGG) return sub == SF_FORMAT_VORBIS;
  return major == SF_FORMAT_WAV && (sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_U8);
}

TonnixExpected<bool, std::string> convertToWav(SNDFILE* input, const SF_INFO& info,
                                               const fs::path& destination) {
  SF_INFO outputInfo{};
  outputInfo.samplerate = info.samplerate;
  outputInfo.channels = info.channels;
  outputInfo.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SndfileHandle output(sf_open(destination.c_str(), SFM_WRITE, &outputInfo));
  if (!output) return unexpected(std::string(sf_strerror(nullptr)));
  sf_command(output.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
  std::array<float, 4096> buffer{};
  const sf_count_t frames = static_cast<sf_count_t>(buffer.size()) / info.channels;
  sf_count_t left = TonnixAudioError::maximumFrames(info.samplerate);
  for (sf_count_t read; (read = sf_readf_float(input, buffer.data(), frames)) > 0;) {
    if ((left -= read) < 0) {
      output.reset();
      std::error_code ignored;
      fs::remove(destination, ignored);
      return unexpected(TonnixAudioError{TonnixAudioError::Kind::tooLong, {}, {}}.description());
    }
    if (sf_writef_float(output.get(), buffer.data(), read) != read) {
      return unexpected(std::string(sf_strerror(output.get())));
    }
  }
  return true;
}

struct ThemeBuild {
  int sounds = 0;
  int converted = 0;
  int skipped = 0;
};

ThemeBuild writeSounds(const std::vector<TonnixExportSource>& sources, const fs::path& folder,
                       bool withFeedback) {
  std::map<TonnixSoundID, fs::path> urls;
  for (const auto& source : sources) urls.try_emplace(source.soundID, source.url);
  ThemeBuild build;
  for (const auto& row : themeSoundNames()) {
    const auto url = urls.find(row.soundID);
    if ((row.isInputFeedback && !withFeedback) || url == urls.end()) continue;
    const auto written = writeThemeSound(url->second, folder, std::string(row.name));
    if (!written) {
      ++build.skipped;
      continue;
    }
    ++build.sounds;
    if (*written) ++build.converted;
  }
  return build;
}

}  // namespace

std::string TonnixThemeExportError::description() const {
  const std::string slug = folder.filename().string();
  switch (kind) {
    case Kind::nothingToExport:
      break;
    case Kind::notOurs:
      return folder.string() + " is a sound theme Tonnix did not write; it stays as it is";
    case Kind::couldNotBuild:
      return "Could not build the sound theme " + slug + ": " + reason;
    case Kind::couldNotPlace:
      return "Could not save the sound theme " + slug + ": " + reason;
  }
  return "No desktop sound has a sound to export";
}

fs::path userSoundThemesDirectory() {
  return fs::path(
             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString()) /
         "sounds";
}

std::string soundThemeSlug(const std::string& name) {
  return identifierSlug(name);
}

bool isTonnixSoundTheme(const fs::path& folder) {
  const auto bytes = readWholeFile(folder / "index.theme", tonnixLargestIndexTheme);
  if (!bytes) return false;
  return bytes->find("\n" + std::string(ourMark) + "\n") != std::string::npos;
}

TonnixExpected<TonnixThemeExportSummary, TonnixThemeExportError> exportSoundTheme(
    const std::vector<TonnixExportSource>& sources, const std::string& name,
    const fs::path& themesDirectory, bool withFeedback) {
  using Kind = TonnixThemeExportError::Kind;
  const std::string slug = soundThemeSlug(name);
  const fs::path destination = themesDirectory / slug;
  std::error_code error;
  if (fs::exists(fs::symlink_status(destination, error)) && !isTonnixSoundTheme(destination)) {
    return unexpected(themeError(Kind::notOurs, destination));
  }
  // Staged beside its place, so that placing it is one rename.
  const fs::path staging =
      themesDirectory /
      (".tonnix-theme-" + QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString());
  fs::create_directories(staging / "stereo", error);
  if (error) return unexpected(themeError(Kind::couldNotBuild, destination, error.message()));

  const ThemeBuild build = writeSounds(sources, staging / "stereo", withFeedback);
  TonnixExpected<TonnixThemeExportSummary, TonnixThemeExportError> result =
      TonnixThemeExportSummary{slug, destination, build.sounds, build.converted, build.skipped};
  if (build.sounds == 0) {
    result = unexpected(themeError(Kind::nothingToExport, destination));
  } else if (auto written = writeWholeFile(staging / "index.theme", indexTheme(name)); !written) {
    result = unexpected(themeError(Kind::couldNotBuild, destination, written.error().message));
  } else if (const auto placed = placeExportBundle(staging, destination)) {
    result = unexpected(themeError(Kind::couldNotPlace, destination, placed.message()));
  }
  fs::remove_all(staging, error);
  return result;
}

TonnixExpected<bool, std::string> writeThemeSound(const fs::path& source, const fs::path& folder,
                                                  const std::string& soundName) {
  SF_INFO info{};
  SndfileHandle input(sf_open(source.c_str(), SFM_READ, &info));
  if (!input) return unexpected(std::string(sf_strerror(nullptr)));
  if (!isPlayedAsItIs(info.format))
    return convertToWav(input.get(), info, folder / (soundName + ".wav"));
  const bool isOgg = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG;
  std::error_code error;
  fs::copy_file(source, folder / (soundName + (isOgg ? ".oga" : ".wav")), error);
  if (error) return unexpected(error.message());
  return false;
}

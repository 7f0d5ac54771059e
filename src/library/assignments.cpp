#include "library/assignments.h"

#include "library/audio_check.h"
#include "library/bundle.h"
#include "library/path_bookmark.h"
#include "library/path_names.h"
#include "platform/preferences_store.h"

namespace fs = std::filesystem;

namespace {

QString key(const char* name) {
  return QString::fromLatin1(name);
}

std::optional<TonnixSoundID> soundIDFromKey(const QString& text) {
  return TonnixSoundID::fromText(text.toUtf8().toStdString());
}

QString keyFor(TonnixSoundID soundID) {
  return QString::fromStdString(soundID.description());
}

// The custom sound a bookmark leads to now: where it resolves, or else the
// path it recorded; nothing when it recorded none.
std::optional<TonnixCustomSound> locate(const QByteArray& bookmark) {
  if (auto resolved = resolveBookmark(bookmark)) return TonnixCustomSound{*resolved, bookmark};
  if (auto recorded = bookmarkPath(bookmark)) return TonnixCustomSound{*recorded, bookmark};
  return std::nullopt;
}

}  // namespace

std::string TonnixCustomSoundError::description() const {
  const std::string file = lastPathComponent(url);
  switch (kind) {
    case Kind::unsupportedFormat:
      return file + " is not a sound file Tonnix can play";
    case Kind::unreadable:
      return "Could not open " + file + ": " + reason;
    case Kind::couldNotBookmark:
      return "Could not remember where " + file + " is: " + reason;
  }
  return file;
}

TonnixAssignments::TonnixAssignments(TonnixPreferencesStore& defaults, QObject* parent)
    : QObject(parent), defaults_(defaults) {
  load();
}

void TonnixAssignments::load() {
  if (auto stored = defaults_.stringValue(key(baselineKey))) baseline_ = stored->toStdString();
  loadOverrides();
  loadCustomSounds();
}

// A dictionary with any value that is not a string is ignored as a whole;
// keys that are no four-byte identifier are skipped.
void TonnixAssignments::loadOverrides() {
  const auto stored = defaults_.stringDictionary(key(overridesKey));
  if (!stored) return;
  for (auto it = stored->begin(); it != stored->end(); ++it) {
    const auto soundID = soundIDFromKey(it.key());
    if (soundID) overrides_[*soundID] = it.value().toStdString();
  }
}

// Path bookmarks never go stale, so loading never needs to rewrite them.
void TonnixAssignments::loadCustomSounds() {
  const auto stored = defaults_.dataDictionary(key(customSoundsKey));
  if (!stored) return;
  for (auto it = stored->begin(); it != stored->end(); ++it) {
    const auto soundID = soundIDFromKey(it.key());
    if (!soundID) continue;
    if (auto sound = locate(it.value())) customSounds_[*soundID] = std::move(*sound);
  }
}

void TonnixAssignments::writeOverrides() {
  QMap<QString, QString> stored;
  for (const auto& [soundID, identifier] : overrides_) {
    stored.insert(keyFor(soundID), QString::fromStdString(identifier));
  }
  defaults_.setStringDictionary(key(overridesKey), stored);
}

void TonnixAssignments::writeCustomSounds() {
  QMap<QString, QByteArray> stored;
  for (const auto& [soundID, sound] : customSounds_) stored.insert(keyFor(soundID), sound.bookmark);
  defaults_.setDataDictionary(key(customSoundsKey), stored);
}

TonnixSelection TonnixAssignments::selectionFor(TonnixSoundID soundID) const {
  if (const auto custom = customSounds_.find(soundID); custom != customSounds_.end()) {
    return TonnixSelection::custom(custom->second.url);
  }
  if (const auto chosen = overrides_.find(soundID); chosen != overrides_.end()) {
    return chosen->second.empty() ? TonnixSelection::silent()
                                  : TonnixSelection::set(chosen->second);
  }
  return TonnixSelection::baseline();
}

bool TonnixAssignments::removeOverride(TonnixSoundID soundID) {
  if (overrides_.erase(soundID) == 0) return false;
  emit storedOverridesChanged();
  return true;
}

bool TonnixAssignments::removeCustomSound(TonnixSoundID soundID) {
  if (customSounds_.erase(soundID) == 0) return false;
  emit storedCustomSoundsChanged();
  return true;
}

void TonnixAssignments::setSelection(const TonnixSelection& selection, TonnixSoundID soundID) {
  if (selection.kind == TonnixSelection::Kind::custom) {
    (void)setCustomSound(selection.customURL, soundID);
    return;
  }
  if (selection.kind == TonnixSelection::Kind::baseline) {
    removeOverride(soundID);
  } else {
    const std::string value =
        selection.kind == TonnixSelection::Kind::set ? selection.setIdentifier : std::string();
    const auto previous = overrides_.find(soundID);
    if (previous == overrides_.end() || previous->second != value) {
      overrides_[soundID] = value;
      emit storedOverridesChanged();
    }
  }
  if (removeCustomSound(soundID)) writeCustomSounds();
  writeOverrides();
}

TonnixExpected<TonnixDone, TonnixCustomSoundError> TonnixAssignments::setCustomSound(
    const fs::path& url, TonnixSoundID soundID) {
  using Kind = TonnixCustomSoundError::Kind;
  if (!isPlayableAudioFile(url))
    return unexpected(TonnixCustomSoundError{Kind::unsupportedFormat, url, {}});
  if (auto opened = canOpenAudio(url); !opened) {
    return unexpected(TonnixCustomSoundError{Kind::unreadable, url, opened.error()});
  }
  const auto bookmark = makeBookmark(url);
  const auto recorded = bookmark ? bookmarkPath(*bookmark) : std::nullopt;
  if (!recorded) {
    return unexpected(
        TonnixCustomSoundError{Kind::couldNotBookmark, url, "the current folder cannot be found"});
  }
  const TonnixCustomSound sound{*recorded, *bookmark};
  if (customSounds_[soundID] != sound) {
    customSounds_[soundID] = sound;
    emit storedCustomSoundsChanged();
  }
  writeCustomSounds();
  if (removeOverride(soundID)) writeOverrides();
  return TonnixDone{};
}

void TonnixAssignments::setBaselineIdentifier(const std::optional<std::string>& identifier) {
  if (identifier != baseline_) {
    baseline_ = identifier;
    emit storedBaselineIdentifierChanged();
  }
  if (identifier) {
    defaults_.setString(key(baselineKey), QString::fromStdString(*identifier));
  } else {
    defaults_.removeValue(key(baselineKey));
  }
}

void TonnixAssignments::pruneOverrides(const std::set<std::string>& installedIdentifiers) {
  std::vector<TonnixSoundID> stale;
  for (const auto& [soundID, identifier] : overrides_) {
    if (!identifier.empty() && !installedIdentifiers.contains(identifier)) stale.push_back(soundID);
  }
  if (stale.empty()) return;
  for (const auto soundID : stale) removeOverride(soundID);
  writeOverrides();
}

void TonnixAssignments::followMovedCustomSounds() {
  bool changed = false;
  for (auto& [soundID, sound] : customSounds_) {
    std::error_code error;
    if (fs::exists(sound.url, error)) continue;
    const auto resolved = resolveBookmark(sound.bookmark);
    if (!resolved || *resolved == sound.url) continue;
    sound.url = *resolved;
    changed = true;
  }
  if (!changed) return;
  emit storedCustomSoundsChanged();
  writeCustomSounds();
}

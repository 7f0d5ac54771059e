#pragma once

#include <QByteArray>
#include <QObject>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "catalogue/sound_id.h"
#include "library/selection.h"
#include "support/expected.h"

class TonnixPreferencesStore;

// A user's own sound file: where it was last found, and the bookmark that
// finds it again. Bookmarks are the file's absolute path in UTF-8.
struct TonnixCustomSound {
  std::filesystem::path url;
  QByteArray bookmark;

  friend bool operator==(const TonnixCustomSound&, const TonnixCustomSound&) = default;
};

// Why a custom sound was refused.
struct TonnixCustomSoundError {
  enum class Kind {
    unsupportedFormat,  // "<file> is not a sound file Tonnix can play"
    unreadable,         // "Could not open <file>: <reason>"
    couldNotBookmark    // "Could not remember where <file> is: <reason>"
  };

  Kind kind;
  std::filesystem::path url;
  std::string reason;

  std::string description() const;
};

using TonnixOverrides = std::map<TonnixSoundID, std::string>;
using TonnixCustomSounds = std::map<TonnixSoundID, TonnixCustomSound>;

// What every sound identifier plays: the baseline set, per-identifier
// overrides (another set, or "" for silence) and custom files. An identifier
// never has both an override and a custom sound. Loaded once from the
// preferences store; every change is written back at once under
// "TonnixBaselineSetIdentifier", "TonnixSoundSetOverrides" and
// "TonnixCustomSoundBookmarks". Each field signals only when it changes.
//
// Turning a selection into a file is the caller's business: custom plays its
// file if it exists; set and baseline play the identifier's file in that set
// of the library; a set that is missing or lacks the file is silence, with
// no fall-back to the baseline. Main thread only.
class TonnixAssignments : public QObject {
  Q_OBJECT
  Q_PROPERTY(std::optional<std::string> storedBaselineIdentifier READ storedBaselineIdentifier
                 NOTIFY storedBaselineIdentifierChanged)
  Q_PROPERTY(TonnixOverrides storedOverrides READ storedOverrides NOTIFY storedOverridesChanged)
  Q_PROPERTY(TonnixCustomSounds storedCustomSounds READ storedCustomSounds NOTIFY
                 storedCustomSoundsChanged)

 public:
  static constexpr const char* baselineKey = "TonnixBaselineSetIdentifier";
  static constexpr const char* overridesKey = "TonnixSoundSetOverrides";
  static constexpr const char* customSoundsKey = "TonnixCustomSoundBookmarks";

  // Loads the stored state; malformed entries are skipped, never fatal.
  explicit TonnixAssignments(TonnixPreferencesStore& defaults, QObject* parent = nullptr);

  // None when no baseline was ever chosen.
  const std::optional<std::string>& storedBaselineIdentifier() const { return baseline_; }
  const TonnixOverrides& storedOverrides() const { return overrides_; }
  const TonnixCustomSounds& storedCustomSounds() const { return customSounds_; }

  // Custom sound first, then override ("" is silent), else baseline.
  TonnixSelection selectionFor(TonnixSoundID soundID) const;
  // Stores a selection. A custom one goes through setCustomSound and nothing
  // changes when that fails; call setCustomSound to learn why.
  void setSelection(const TonnixSelection& selection, TonnixSoundID soundID);
  // Checks that `url` is named and readable as audio, then stores it (as an
  // absolute path) in place of any override of `soundID`.
  TonnixExpected<TonnixDone, TonnixCustomSoundError> setCustomSound(
      const std::filesystem::path& url, TonnixSoundID soundID);
  // Writes, or with none removes, "TonnixBaselineSetIdentifier".
  void setBaselineIdentifier(const std::optional<std::string>& identifier);
  // Removes the overrides naming sets not among `installedIdentifiers`;
  // silent overrides stay.
  void pruneOverrides(const std::set<std::string>& installedIdentifiers);
  // Looks again, through their bookmarks, for custom files no longer at
  // their stored path. Entries are never removed.
  void followMovedCustomSounds();

 signals:
  void storedBaselineIdentifierChanged();
  void storedOverridesChanged();
  void storedCustomSoundsChanged();

 private:
  void load();
  void loadOverrides();
  void loadCustomSounds();
  void writeOverrides();
  void writeCustomSounds();
  bool removeOverride(TonnixSoundID soundID);
  bool removeCustomSound(TonnixSoundID soundID);

  TonnixPreferencesStore& defaults_;
  std::optional<std::string> baseline_;
  TonnixOverrides overrides_;
  TonnixCustomSounds customSounds_;
};

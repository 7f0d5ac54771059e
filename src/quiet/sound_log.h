#pragma once

#include <QObject>
#include <QString>
#include <QUuid>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "catalogue/sound_id.h"
#include "events/event.h"
#include "platform/accessibility.h"
#include "platform/workspace.h"
#include "quiet/silence_reason.h"

using TonnixDate = std::chrono::system_clock::time_point;

// Whose sounds a log section holds: one application, or the system.
struct TonnixSoundLogGroup {
  enum class Kind { application, system };

  Kind kind = Kind::system;
  // For an application: its application id, or "pid:" and its process id.
  QString key;

  static TonnixSoundLogGroup application(QString key) {
    return {Kind::application, std::move(key)};
  }
  static TonnixSoundLogGroup system() { return {Kind::system, {}}; }

  friend bool operator==(const TonnixSoundLogGroup& a, const TonnixSoundLogGroup& b) {
    return a.kind == b.kind && (a.kind == Kind::system || a.key == b.key);
  }
};

// One kind of event from one source, with how often and when it happened.
struct TonnixSoundLogEntry {
  QString eventName;
  TonnixSoundID soundID;
  std::optional<QString> detail;
  // The element the event concerned, at most 200 characters.
  std::optional<QString> elementDescription;
  std::optional<TonnixDate> elementNamedDate;
  TonnixDate firstDate;
  TonnixDate lastDate;
  int count = 1;

  // Events of the same name, sound and detail share an entry; an absent
  // and an empty detail are the same.
  bool isSameKind(const TonnixSoundLogEntry& other) const;
};

// The entries of one source, most recent first.
struct TonnixSoundLogSection {
  TonnixSoundLogGroup group;
  QString name;
  std::optional<QString> bundleIdentifier;
  // A freedesktop icon name or an icon file's path.
  std::optional<QString> icon;
  std::vector<TonnixSoundLogEntry> entries;

  // The last date of the first entry; the distant past without entries.
  TonnixDate latestDate() const;
};

// A time Tonnix kept quiet, open while it lasts.
struct TonnixSilencePeriod {
  QUuid id;
  TonnixSilenceReason reason;
  TonnixDate startDate;
  std::optional<TonnixDate> endDate;
};

using TonnixSoundLogSections = std::vector<TonnixSoundLogSection>;
using TonnixSilencePeriods = std::vector<TonnixSilencePeriod>;

// What made a sound in the last two hours, grouped by application, and when
// Tonnix kept quiet. Memory only, and capped: 10 sections of 20 entries, 20
// silence periods. Main thread only; `sections` and `silences` signal when
// they change.
class TonnixSoundLog : public QObject {
  Q_OBJECT
  Q_PROPERTY(TonnixSoundLogSections sections READ sections NOTIFY sectionsChanged)
  Q_PROPERTY(TonnixSilencePeriods silences READ silences NOTIFY silencesChanged)

 public:
  static constexpr std::size_t maximumSections = 10;
  static constexpr std::size_t maximumEntries = 20;
  static constexpr std::size_t maximumSilences = 20;
  static constexpr std::chrono::seconds ageWindow{7200};
  static constexpr qsizetype maximumDescriptionLength = 200;
  static constexpr std::chrono::seconds namingInterval{2};

  using NameElement = std::function<std::optional<QString>(const TonnixAXElement&)>;
  using RunningApplication =
      std::function<std::optional<TonnixRunningApplication>(std::int32_t processIdentifier)>;

  // How a new section presents its source.
  struct Identity {
    TonnixSoundLogGroup group;
    QString name;
    std::optional<QString> bundleIdentifier;
    std::optional<QString> icon;
  };

  // Finds no applications, and names no elements until told how.
  explicit TonnixSoundLog(QObject* parent = nullptr);
  // Names elements with describeElement and finds applications in the
  // workspace; both must outlive the log.
  TonnixSoundLog(TonnixAccessibility& accessibility, const TonnixWorkspace& workspace,
                 QObject* parent = nullptr);

  void setNameElement(NameElement nameElement) { nameElement_ = std::move(nameElement); }

  // Most recently active first.
  const TonnixSoundLogSections& sections() const { return sections_; }
  // Most recent first; only the first may be open.
  const TonnixSilencePeriods& silences() const { return silences_; }

  // Adds the event at `date`, merging it into its source's entry of the same
  // kind, then drops what is older than two hours before `date`. A live
  // element is described afterwards, on a later turn of the event loop, one
  // entry per turn: its sound has started by then, and the events arriving
  // meanwhile do not wait behind the requests that describing costs.
  void record(const TonnixEvent& event, TonnixDate date);
  // The silence monitor's reason became `reason` (none: sound again).
  void silenceChanged(std::optional<TonnixSilenceReason> reason, TonnixDate date);
  // Drops entries and closed periods that ended more than two hours before `now`.
  void prune(TonnixDate now);
  // Empties the sections and removes the closed periods.
  void clear();
  // Forgets the identity of a process that has quit, so that a later
  // process with the same id gets its own.
  void forgetProcess(std::int32_t processIdentifier) { identities_.erase(processIdentifier); }

  bool hasContent() const;
  // The reason of the open period, if there is one.
  std::optional<TonnixSilenceReason> activeSilenceReason() const;
  int entryCount() const;
  int soundCount() const;

 signals:
  void sectionsChanged();
  void silencesChanged();

 private:
  Identity identityOf(const TonnixEvent& event);
  Identity makeIdentity(const TonnixEvent& event) const;
  // An entry's live element waiting to be described, and when it was seen.
  struct PendingName {
    TonnixSoundLogGroup group;
    TonnixSoundLogEntry kind;
    TonnixAXElement element;
    TonnixDate date;
  };

  void nameElement(TonnixSoundLogEntry& entry, const TonnixSoundLogGroup& group,
                   const TonnixEvent& event, TonnixDate date);
  void nameNextElement();
  bool pruneSections(TonnixDate cutoff);
  bool pruneSilences(TonnixDate cutoff);

  NameElement nameElement_;
  RunningApplication runningApplication_;
  TonnixSoundLogSections sections_;
  TonnixSilencePeriods silences_;
  std::map<std::int32_t, Identity> identities_;
  // Oldest first, one per entry.
  std::vector<PendingName> toName_;
};

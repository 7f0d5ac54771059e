#include "quiet/sound_log.h"

#include <QStringView>
#include <QTimer>
#include <algorithm>
#include <numeric>

#include "events/element_description.h"

namespace {

// The first `count` characters, never splitting a surrogate pair.
QString firstCharacters(const QString& text, qsizetype count) {
  qsizetype units = 0;
  for (qsizetype characters = 0; characters < count && units < text.size(); ++characters) {
    units += text.at(units).isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
  }
  return text.left(units);
}

bool hasText(const std::optional<QString>& text) {
  return text && !text->trimmed().isEmpty();
}

// The name of the application's file (its .desktop file, else its
// program), without the extension that marks an application file.
QString applicationFileName(const std::optional<TonnixRunningApplication>& application) {
  if (!application) return {};
  const auto& file = application->bundleURL ? application->bundleURL : application->executableURL;
  if (!file) return {};
  const QString name = QString::fromStdString(file->filename().string());
  const QString extension = QString::fromStdString(file->extension().string());
  const bool marksApplication =
      extension.compare(QStringLiteral(".app"), Qt::CaseInsensitive) == 0 ||
      extension.compare(QStringLiteral(".desktop"), Qt::CaseInsensitive) == 0;
  return marksApplication ? name.chopped(extension.size()) : name;
}

}  // namespace

bool TonnixSoundLogEntry::isSameKind(const TonnixSoundLogEntry& other) const {
  return eventName == other.eventName && soundID == other.soundID &&
         detail.value_or(QString()) == other.detail.value_or(QString());
}

TonnixDate TonnixSoundLogSection::latestDate() const {
  return entries.empty() ? TonnixDate::min() : entries.front().lastDate;
}

TonnixSoundLog::TonnixSoundLog(QObject* parent) : QObject(parent) {}

TonnixSoundLog::TonnixSoundLog(TonnixAccessibility& accessibility, const TonnixWorkspace& workspace,
                               QObject* parent)
    : QObject(parent),
      nameElement_([&accessibility](const TonnixAXElement& element) {
        return describeElement(accessibility, element);
      }),
      runningApplication_([&workspace](std::int32_t processIdentifier) {
        return workspace.runningApplication(processIdentifier);
      }) {}

void TonnixSoundLog::record(const TonnixEvent& event, TonnixDate date) {
  const Identity identity = identityOf(event);
  TonnixSoundLogSection section{
      identity.group, identity.name, identity.bundleIdentifier, identity.icon, {}};
  const auto found = std::find_if(sections_.begin(), sections_.end(), [&](const auto& candidate) {
    return candidate.group == identity.group;
  });
  if (found != sections_.end()) {
    section = std::move(*found);
    sections_.erase(found);
  }

  TonnixSoundLogEntry entry{
      event.notificationName, event.soundID, event.detail, {}, {}, date, date, 0};
  const auto match =
      std::find_if(section.entries.begin(), section.entries.end(),
                   [&](const auto& candidate) { return candidate.isSameKind(entry); });
  if (match != section.entries.end()) {
    entry = std::move(*match);
    section.entries.erase(match);
    entry.lastDate = date;
  }
  ++entry.count;
  nameElement(entry, section.group, event, date);
  section.entries.insert(section.entries.begin(), std::move(entry));
  if (section.entries.size() > maximumEntries) section.entries.resize(maximumEntries);

  sections_.insert(sections_.begin(), std::move(section));
  if (sections_.size() > maximumSections) sections_.resize(maximumSections);

  const TonnixDate cutoff = date - ageWindow;
  pruneSections(cutoff);
  emit sectionsChanged();
  if (pruneSilences(cutoff)) emit silencesChanged();
}

void TonnixSoundLog::silenceChanged(std::optional<TonnixSilenceReason> reason, TonnixDate date) {
  if (reason == activeSilenceReason()) return;
  if (!silences_.empty() && !silences_.front().endDate) {
    silences_.front().endDate = std::max(silences_.front().startDate, date);
  }
  if (reason) {
    silences_.insert(silences_.begin(),
                     TonnixSilencePeriod{QUuid::createUuid(), *reason, date, {}});
    if (silences_.size() > maximumSilences) silences_.resize(maximumSilences);
  }
  emit silencesChanged();
}

void TonnixSoundLog::prune(TonnixDate now) {
  const TonnixDate cutoff = now - ageWindow;
  if (pruneSections(cutoff)) emit sectionsChanged();
  if (pruneSilences(cutoff)) emit silencesChanged();
}

void TonnixSoundLog::clear() {
  toName_.clear();
  if (!sections_.empty()) {
    sections_.clear();
    emit sectionsChanged();
  }
  const auto closed =
      std::erase_if(silences_, [](const auto& period) { return period.endDate.has_value(); });
  if (closed > 0) emit silencesChanged();
}

bool TonnixSoundLog::hasContent() const {
  return !sections_.empty() ||
         std::any_of(silences_.begin(), silences_.end(),
                     [](const auto& period) { return period.endDate.has_value(); });
}

std::optional<TonnixSilenceReason> TonnixSoundLog::activeSilenceReason() const {
  if (silences_.empty() || silences_.front().endDate) return std::nullopt;
  return silences_.front().reason;
}

int TonnixSoundLog::entryCount() const {
  return std::accumulate(sections_.begin(), sections_.end(), 0, [](int sum, const auto& section) {
    return sum + static_cast<int>(section.entries.size());
  });
}

int TonnixSoundLog::soundCount() const {
  int count = 0;
  for (const auto& section : sections_) {
    for (const auto& entry : section.entries) count += entry.count;
  }
  return count;
}

TonnixSoundLog::Identity TonnixSoundLog::identityOf(const TonnixEvent& event) {
  if (event.origin == TonnixEventOrigin::system) {
    return {TonnixSoundLogGroup::system(), QStringLiteral("System"), std::nullopt, std::nullopt};
  }
  const auto cached = identities_.find(event.processIdentifier);
  if (cached != identities_.end()) return cached->second;
  Identity identity = makeIdentity(event);
  identities_.emplace(event.processIdentifier, identity);
  return identity;
}

TonnixSoundLog::Identity TonnixSoundLog::makeIdentity(const TonnixEvent& event) const {
  const auto application = runningApplication_ ? runningApplication_(event.processIdentifier)
                                               : std::optional<TonnixRunningApplication>();
  std::optional<QString> bundleIdentifier;
  if (application && application->bundleIdentifier && !application->bundleIdentifier->isEmpty()) {
    bundleIdentifier = application->bundleIdentifier;
  }
  const QString pid = QString::number(event.processIdentifier);
  const auto group = TonnixSoundLogGroup::application(
      bundleIdentifier ? *bundleIdentifier : QStringLiteral("pid:") + pid);

  const std::optional<QString>& givenName =
      application ? application->localizedName : event.applicationName;
  QString name;
  if (hasText(givenName)) {
    name = *givenName;
  } else if (const QString fileName = applicationFileName(application); !fileName.isEmpty()) {
    name = fileName;
  } else if (bundleIdentifier) {
    name = *bundleIdentifier;
  } else {
    name = QStringLiteral("pid ") + pid;
  }
  return {group, name, bundleIdentifier, application ? application->icon : std::nullopt};
}

void TonnixSoundLog::nameElement(TonnixSoundLogEntry& entry, const TonnixSoundLogGroup& group,
                                 const TonnixEvent& event, TonnixDate date) {
  if (!event.element) return;
  if (entry.elementNamedDate && date < *entry.elementNamedDate + namingInterval) return;
  if (const QString* name = event.element->name()) {
    entry.elementDescription = firstCharacters(*name, maximumDescriptionLength);
    entry.elementNamedDate = date;
    return;
  }
  const TonnixAXElement* element = event.element->element();
  if (!element || !nameElement_) return;
  const auto pending = std::find_if(toName_.begin(), toName_.end(), [&](const auto& waiting) {
    return waiting.group == group && waiting.kind.isSameKind(entry);
  });
  if (pending != toName_.end()) {
    pending->element = *element;
    pending->date = date;
    return;
  }
  if (toName_.empty()) QTimer::singleShot(0, this, &TonnixSoundLog::nameNextElement);
  toName_.push_back({group, entry, *element, date});
}

// Describes the oldest element waiting, then gives the event loop back. An
// entry gone meanwhile, or an element that can no longer be described,
// leaves things as they were.
void TonnixSoundLog::nameNextElement() {
  if (toName_.empty()) return;
  const PendingName pending = std::move(toName_.front());
  toName_.erase(toName_.begin());
  if (!toName_.empty()) QTimer::singleShot(0, this, &TonnixSoundLog::nameNextElement);
  const auto text = nameElement_ ? nameElement_(pending.element) : std::nullopt;
  if (!text) return;
  for (auto& section : sections_) {
    if (!(section.group == pending.group)) continue;
    for (auto& entry : section.entries) {
      if (!entry.isSameKind(pending.kind)) continue;
      entry.elementDescription = firstCharacters(*text, maximumDescriptionLength);
      entry.elementNamedDate = pending.date;
      emit sectionsChanged();
      return;
    }
  }
}

bool TonnixSoundLog::pruneSections(TonnixDate cutoff) {
  bool changed = false;
  for (auto& section : sections_) {
    changed |= std::erase_if(section.entries,
                             [cutoff](const auto& entry) { return entry.lastDate < cutoff; }) > 0;
  }
  std::erase_if(sections_, [](const auto& section) { return section.entries.empty(); });
  return changed;
}

bool TonnixSoundLog::pruneSilences(TonnixDate cutoff) {
  return std::erase_if(silences_, [cutoff](const auto& period) {
           return period.endDate && *period.endDate < cutoff;
         }) > 0;
}

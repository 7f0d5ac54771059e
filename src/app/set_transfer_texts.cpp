#include "app/set_transfer_texts.h"

namespace {

QString countPart(int count, const char* words) {
  if (count <= 0) return {};
  return QStringLiteral(", %1 %2").arg(count).arg(QLatin1String(words));
}

}  // namespace

QString importSummariesText(const std::vector<TonnixClassicImportSummary>& summaries) {
  if (summaries.empty()) return {};
  if (summaries.size() == 1) return QString::fromStdString(importSummaryText(summaries.front()));
  int events = 0;
  int sounds = 0;
  int skipped = 0;
  for (const auto& summary : summaries) {
    events += summary.writtenEventCount;
    sounds += summary.distinctSoundCount;
    skipped += summary.skippedEventCount;
  }
  return QStringLiteral("Imported %1 sets: %2 events from %3 sounds")
             .arg(summaries.size())
             .arg(events)
             .arg(sounds) +
         countPart(skipped, "skipped");
}

QString exportSummaryText(const TonnixExportSummary& summary) {
  // One arg() for all three: a name holding "%1" stays as it is.
  return QStringLiteral("Exported %1: %2 events from %3 sounds")
             .arg(QString::fromStdString(summary.name), QString::number(summary.eventCount),
                  QString::number(summary.soundCount)) +
         countPart(summary.customEventCount, "of your own") +
         countPart(summary.mappedEventCount, "mapped by name") +
         countPart(summary.skippedEventCount, "skipped");
}

#include <cstdio>

#include "cli/command_line.h"
#include "events/notification_mapping.h"

namespace {

QString code(TonnixSoundID id) {
  return QString::fromStdString(id.description());
}

QString resolutionText(const TonnixSoundResolution& resolution) {
  using R = TonnixSoundResolution;
  if (const auto* fixed = std::get_if<R::Fixed>(&resolution.value)) {
    return QStringLiteral("fixed ") + code(fixed->soundID);
  }
  if (const auto* tracked = std::get_if<R::Tracked>(&resolution.value)) {
    return QStringLiteral("tracked %1 %2").arg(code(tracked->open), code(tracked->close));
  }
  if (const auto* sounds = std::get_if<R::SelectedChildrenChanged>(&resolution.value)) {
    return QStringLiteral("selectedChildrenChanged %1 %2")
        .arg(code(sounds->defaultSound), code(sounds->menuHilite));
  }
  if (std::holds_alternative<R::CreatedWindow>(resolution.value)) {
    return QStringLiteral("createdWindow");
  }
  return QStringLiteral("destroyedElement");
}

}  // namespace

int mappingsCommand(const QStringList& arguments) {
  TonnixCommandLine line("mappings");
  if (const auto status = line.parse(arguments, 0, 0)) return *status;
  for (const auto& mapping : allNotificationMappings()) {
    std::printf("%s\t%s\t%s\n", qPrintable(mapping.notification.rawValue),
                qPrintable(resolutionText(mapping.resolution)),
                mapping.isEnabledByDefault ? "yes" : "no");
  }
  return 0;
}

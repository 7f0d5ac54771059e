#pragma once

#include <QString>
#include <optional>

#include "platform/linux/atspi_elements.h"

// The texts of one object that describing it reads: its name, description,
// accessible id and localized role name (none where empty or unanswered).
struct TonnixAtspiElementTexts {
  std::optional<QString> name;
  std::optional<QString> description;
  std::optional<QString> identifier;
  std::optional<QString> roleDescription;
};

// Asks for all four at once on libatspi's own connection, so that the
// application answers them one after the other without waiting for us in
// between: one round trip instead of four, which matters for GTK 4, whose
// answers come slowly under load. Runs under the process's time-out as one
// request of `connection`. Main thread only.
TonnixAXResult<TonnixAtspiElementTexts> readAtspiElementTexts(TonnixAtspiConnection& connection,
                                                              const TonnixAtspiTarget& target);

#pragma once

#include <atspi/atspi.h>

#include <QString>
#include <optional>
#include <vector>

#include "platform/linux/atspi_elements.h"

// A child of an object and where it is.
struct TonnixAtspiChildPlace {
  int index = 0;  // among its parent's children
  QString key;    // bus name and object path, as events name their source
  // In the coordinates asked for; none for an object without a place of its
  // own (GTK 4's stack pages), which is looked through.
  std::optional<AtspiRect> extents;
};

// The last `limit` children of `parent` with their extents, first to last,
// in three round trips whatever their number: their count, then every
// child asked for by index at once on libatspi's own connection, so the
// application answers them one after the other without waiting for us in
// between, then every child's extents at once. A child that cannot tell its extents (gone
// meanwhile, or without a component) has none. Runs under the process's time-out as one request of
// `connection`. Main thread only.
TonnixAXResult<std::vector<TonnixAtspiChildPlace>> readAtspiChildPlaces(
    TonnixAtspiConnection& connection, const TonnixAtspiTarget& parent, AtspiCoordType coordinates,
    int limit);

#pragma once

#include <atspi/atspi.h>

#include <QRect>
#include <QString>
#include <cstddef>
#include <functional>

#include "platform/linux/atspi_connection.h"

// Finding an application's controls in its accessibility tree, for the tests
// and benchmarks that drive real applications in scripts/headless-session.
// Link tonnix_atspi_test_support.
namespace tonnix_test {

using AccessibleTest = std::function<bool(AtspiAccessible*)>;

// The first object at or below `root`, breadth first, that passes `test`;
// null when none of the first `limit` objects does.
TonnixAtspiObjectRef findAccessible(AtspiAccessible* root, const AccessibleTest& test,
                                    std::size_t limit = 3000);

// An object of that role and, when given, that name.
AccessibleTest withRole(AtspiRole role, const QString& name = {});

QString nameOf(AtspiAccessible* object);
bool isShowing(AtspiAccessible* object);
// Empty when the object has none (GTK 4 gives hidden objects empty ones).
QRect extentsOf(AtspiAccessible* object, AtspiCoordType type = ATSPI_COORD_TYPE_SCREEN);

}  // namespace tonnix_test

#pragma once

#include <QString>
#include <optional>

#include "platform/accessibility.h"

// The one-line description of an element that the sound log shows, e.g.
// `AXWindow[AXDialog] #save "Save As" a dialog`: role and subrole,
// identifier, title, description, role description (when it says more than
// the role), file name, URL and document. None when the element has no
// readable role. Long titles, descriptions, URLs and documents are cut at
// 240 characters.
std::optional<QString> describeElement(TonnixAccessibility& accessibility,
                                       const TonnixAXElement& element);

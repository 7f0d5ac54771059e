#pragma once

#include <QString>
#include <vector>

#include "classic/classic_set_import.h"
#include "library/sound_set_export.h"

// The result lines of imports and exports as the sound sets tab shows them.

// One summary: "Imported Chimes: 40 events from 12 sounds[, 3 skipped]";
// several: "Imported 2 sets: 80 events from 24 sounds[, 3 skipped]".
// Empty for none.
QString importSummariesText(const std::vector<TonnixClassicImportSummary>& summaries);

// "Exported Mine: 40 events from 12 sounds", then ", N of your own",
// ", N mapped by name" and ", N skipped" for the counts above zero.
QString exportSummaryText(const TonnixExportSummary& summary);

#pragma once

#include <string_view>
#include <vector>

#include "catalogue/set_entry.h"

// The fixed vocabulary of sounds. Built once on first use; safe from any thread.

// The 137 theme sounds in table order.
const std::vector<TonnixSetEntry>& catalogue();
// Two entries that exist only so other file names resolve: the application-quit
// sound and the misspelt "DragTragetDrop.aiff".
const std::vector<TonnixSetEntry>& alternateEntries();
// catalogue() followed by alternateEntries().
const std::vector<TonnixSetEntry>& allEntries();

// The first entry of allEntries() with this identifier.
const TonnixSetEntry* entryForSoundID(TonnixSoundID id);
// The first entry whose file name, without extension and lower-cased, is
// `name`. Callers lower-case their own names the same way.
const TonnixSetEntry* entryForBaseName(std::string_view name);

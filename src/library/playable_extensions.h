#pragma once

#include <set>
#include <string>

// Lower-cased file-name extensions of the audio formats libsndfile opens by
// their headers (aiff, aif, aifc, wav, caf, flac, ogg, mp3, ...). Built once;
// safe from any thread.
const std::set<std::string>& playableExtensions();

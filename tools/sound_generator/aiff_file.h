#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/expected.h"

// Writes `samples` as a 44.1 kHz, 16-bit, mono AIFF file through libsndfile,
// replacing any file there. The file holds only the format and the samples
// (no peak chunk, no time stamp), so equal samples give equal bytes. The
// error is the text to show: the file and libsndfile's reason.
TonnixExpected<TonnixDone, std::string> writeAiff(const std::filesystem::path& file,
                                                  const std::vector<std::int16_t>& samples);

#pragma once

#include <filesystem>
#include <string>

#include "support/expected.h"

// Whether `file` really opens as audio, the way the player decodes it: the
// file is recognised by libsndfile and its first frame can be read. The
// error is libsndfile's description.
TonnixExpected<TonnixDone, std::string> canOpenAudio(const std::filesystem::path& file);

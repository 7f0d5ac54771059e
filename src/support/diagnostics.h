#pragma once

#include <cstdio>
#include <string_view>

// Tonnix's diagnostic lines, "COMPONENT: text", go to standard error, where
// terminals and the journal expect them, each flushed at once; what a
// command prints and the "Tonnix: " monitor lines go to standard output.
inline void tonnixDiagnostic(std::string_view component, std::string_view text) {
  std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(component.size()), component.data(),
               static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

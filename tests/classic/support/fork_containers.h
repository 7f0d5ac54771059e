#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Wraps a data fork and a resource fork in the containers that carry Mac
// files through other systems, as archivers and old tools wrote them.

std::vector<std::uint8_t> appleDoubleFile(const std::vector<std::uint8_t>& resourceFork);
std::vector<std::uint8_t> appleSingleFile(const std::vector<std::uint8_t>& dataFork,
                                          const std::vector<std::uint8_t>& resourceFork);
// MacBinary version 1, 2 or 3.
std::vector<std::uint8_t> macBinaryFile(int version, const std::string& name,
                                        const std::vector<std::uint8_t>& dataFork,
                                        const std::vector<std::uint8_t>& resourceFork);
std::vector<std::uint8_t> binHexFile(const std::string& name,
                                     const std::vector<std::uint8_t>& dataFork,
                                     const std::vector<std::uint8_t>& resourceFork);

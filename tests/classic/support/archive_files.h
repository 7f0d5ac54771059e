#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Archives as the Mac's archivers wrote them, every file stored without
// compression, so tests build their fixtures in code.

struct TestArchiveFile {
  std::string name;  // a StuffIt file name, or a Zip path with '/' between folders
  std::vector<std::uint8_t> dataFork;
  std::vector<std::uint8_t> resourceFork;  // StuffIt only
};

// StuffIt 1.5: the "SIT!" header, then each file's 112-byte header and its
// forks (resource fork first), each checked by a CRC-16/ARC.
std::vector<std::uint8_t> stuffItArchive(const std::vector<TestArchiveFile>& files);

// Zip: a local header and the bytes of each file, then the central
// directory; data forks only (a Mac's resource fork travels as a
// "__MACOSX/._NAME" file of its own).
std::vector<std::uint8_t> zipArchive(const std::vector<TestArchiveFile>& files);

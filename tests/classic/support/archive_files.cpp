#include "archive_files.h"

#include <span>

#include "resource_fork_writer.h"

namespace {

// CRC-16/ARC (polynomial 0xA001 reflected, initial value 0): StuffIt's
// header and fork checksums.
std::uint16_t crc16Arc(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0;
  for (const auto byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

// CRC-32 (polynomial 0xEDB88320 reflected), Zip's checksum.
std::uint32_t crc32(std::span<const std::uint8_t> bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const auto byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
  }
  return ~crc;
}

void appendLE16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void appendLE32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  appendLE16(out, value & 0xFFFF);
  appendLE16(out, value >> 16);
}

void append(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<std::uint8_t> stuffItFileHeader(const TestArchiveFile& file) {
  std::vector<std::uint8_t> header;
  appendU8(header, 0);  // resource fork stored
  appendU8(header, 0);  // data fork stored
  appendU8(header, static_cast<std::uint32_t>(file.name.size()));
  appendText(header, file.name);
  header.resize(66, 0);
  appendText(header, "sfil");
  appendText(header, "movr");
  appendU16(header, 0);  // Finder flags
  appendU32(header, 0);  // created
  appendU32(header, 0);  // modified
  for (int twice = 0; twice < 2; ++twice) {
    appendU32(header, static_cast<std::uint32_t>(file.resourceFork.size()));
    appendU32(header, static_cast<std::uint32_t>(file.dataFork.size()));
  }
  appendU16(header, crc16Arc(file.resourceFork));
  appendU16(header, crc16Arc(file.dataFork));
  header.resize(110, 0);
  appendU16(header, crc16Arc(header));
  return header;
}

}  // namespace

std::vector<std::uint8_t> stuffItArchive(const std::vector<TestArchiveFile>& files) {
  std::vector<std::uint8_t> archive;
  appendText(archive, "SIT!");
  appendU16(archive, static_cast<std::uint32_t>(files.size()));
  appendU32(archive, 0);  // the whole length, filled in below
  appendText(archive, "rLau");
  appendU8(archive, 1);  // version
  archive.resize(22, 0);
  for (const auto& file : files) {
    append(archive, stuffItFileHeader(file));
    append(archive, file.resourceFork);
    append(archive, file.dataFork);
  }
  putU32(archive, 6, static_cast<std::uint32_t>(archive.size()));
  return archive;
}

std::vector<std::uint8_t> zipArchive(const std::vector<TestArchiveFile>& files) {
  std::vector<std::uint8_t> archive;
  std::vector<std::uint8_t> directory;
  for (const auto& file : files) {
    const auto headerFields = [&](std::vector<std::uint8_t>& out) {
      appendLE16(out, 10);      // version needed: stored files
      appendLE16(out, 0);       // flags
      appendLE16(out, 0);       // stored
      appendLE16(out, 0);       // time
      appendLE16(out, 0x0021);  // 1 January 1980
      appendLE32(out, crc32(file.dataFork));
      appendLE32(out, static_cast<std::uint32_t>(file.dataFork.size()));
      appendLE32(out, static_cast<std::uint32_t>(file.dataFork.size()));
      appendLE16(out, static_cast<std::uint32_t>(file.name.size()));
      appendLE16(out, 0);  // extra field
    };
    const auto offset = static_cast<std::uint32_t>(archive.size());
    appendLE32(archive, 0x04034B50);
    headerFields(archive);
    appendText(archive, file.name);
    append(archive, file.dataFork);

    appendLE32(directory, 0x02014B50);
    appendLE16(directory, 20);  // made by
    headerFields(directory);
    appendLE16(directory, 0);  // comment
    appendLE16(directory, 0);  // disk
    appendLE16(directory, 0);  // internal attributes
    appendLE32(directory, 0);  // external attributes
    appendLE32(directory, offset);
    appendText(directory, file.name);
  }
  const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
  append(archive, directory);
  appendLE32(archive, 0x06054B50);
  appendLE16(archive, 0);
  appendLE16(archive, 0);
  appendLE16(archive, static_cast<std::uint32_t>(files.size()));
  appendLE16(archive, static_cast<std::uint32_t>(files.size()));
  appendLE32(archive, static_cast<std::uint32_t>(directory.size()));
  appendLE32(archive, directoryOffset);
  appendLE16(archive, 0);
  return archive;
}

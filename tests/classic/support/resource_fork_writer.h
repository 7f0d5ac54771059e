#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Builds resource forks in the classic resource file format, so tests make
// their fixtures in code: types and resources keep the order they are added.
class TestResourceForkWriter {
 public:
  // `type` is four Mac OS Roman bytes, e.g. "snd ".
  TestResourceForkWriter& add(const std::string& type, std::int16_t id,
                              std::vector<std::uint8_t> data,
                              std::optional<std::string> name = std::nullopt);

  std::vector<std::uint8_t> bytes() const;

 private:
  struct Resource {
    std::int16_t id;
    std::optional<std::string> name;
    std::vector<std::uint8_t> data;
  };
  std::vector<std::pair<std::string, std::vector<Resource>>> types_;  // by type code
};

// Big-endian appends shared by the fixture builders.
void appendU8(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendU16(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendU24(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendText(std::vector<std::uint8_t>& out, const std::string& text);
void putU32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value);

// Writes the bytes to `file`, making its folder first; gives the path back.
std::filesystem::path writeBytes(const std::filesystem::path& file,
                                 const std::vector<std::uint8_t>& bytes);

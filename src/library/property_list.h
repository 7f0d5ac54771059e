#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A property-list dictionary: parsed from XML or binary bytes, edited key by
// key, written back as XML. A thin layer over libplist that keeps its C types
// out of the callers; keys keep the order in which they were first set.
class TonnixPropertyList {
 public:
  using StringPairs = std::vector<std::pair<std::string, std::string>>;

  // An empty dictionary.
  TonnixPropertyList();
  // Bytes in any format libplist reads; nothing unless the top level is a
  // dictionary.
  static std::optional<TonnixPropertyList> parseDictionary(std::string_view bytes);

  TonnixPropertyList(TonnixPropertyList&&) noexcept;
  TonnixPropertyList& operator=(TonnixPropertyList&&) noexcept;
  ~TonnixPropertyList();

  bool contains(std::string_view key) const;
  // The value of `key` when it has that type; nothing when absent or of another type.
  std::optional<std::string> string(std::string_view key) const;
  std::optional<std::int64_t> integer(std::string_view key) const;
  // Nothing unless `key` holds a dictionary whose values are all strings.
  std::optional<StringPairs> stringDictionary(std::string_view key) const;

  // Sets `key`, replacing a value of any type in place.
  void setString(std::string_view key, std::string_view value);
  void setInteger(std::string_view key, std::int64_t value);
  void setStringDictionary(std::string_view key, const StringPairs& entries);

  // The dictionary as an XML property list (version 1.0); nothing when it
  // cannot be serialised.
  std::optional<std::string> xml() const;

 private:
  struct Node;
  explicit TonnixPropertyList(void* root);
  void set(std::string_view key, void* value);

  std::unique_ptr<Node> root_;
};

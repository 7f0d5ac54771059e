#include "library/property_list.h"

#include <plist/plist.h>

#include <cstdlib>
#include <limits>

#include "support/property_list_screen.h"

struct TonnixPropertyList::Node {
  plist_t plist;
  explicit Node(plist_t value) : plist(value) {}
  ~Node() { plist_free(plist); }
  Node(const Node&) = delete;
  Node& operator=(const Node&) = delete;
};

namespace {

// libplist takes NUL-terminated keys.
std::string terminated(std::string_view text) {
  return std::string(text);
}

plist_t item(plist_t dictionary, std::string_view key) {
  return plist_dict_get_item(dictionary, terminated(key).c_str());
}

// By pointer and length: libplist's copying getter aborts on strings whose
// recorded length disagrees with their text.
std::optional<std::string> stringValue(plist_t node) {
  if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
  std::uint64_t length = 0;
  const char* value = plist_get_string_ptr(node, &length);
  if (!value) return std::nullopt;
  return std::string(value, length);
}

}  // namespace

TonnixPropertyList::TonnixPropertyList() : root_(std::make_unique<Node>(plist_new_dict())) {}

TonnixPropertyList::TonnixPropertyList(void* root) : root_(std::make_unique<Node>(root)) {}

TonnixPropertyList::TonnixPropertyList(TonnixPropertyList&&) noexcept = default;
TonnixPropertyList& TonnixPropertyList::operator=(TonnixPropertyList&&) noexcept = default;
TonnixPropertyList::~TonnixPropertyList() = default;

std::optional<TonnixPropertyList> TonnixPropertyList::parseDictionary(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  if (!isSafePropertyList(bytes)) return std::nullopt;
  plist_t root = nullptr;
  plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
  if (!root) return std::nullopt;
  if (plist_get_node_type(root) != PLIST_DICT) {
    plist_free(root);
    return std::nullopt;
  }
  return TonnixPropertyList(root);
}

bool TonnixPropertyList::contains(std::string_view key) const {
  return item(root_->plist, key) != nullptr;
}

std::optional<std::string> TonnixPropertyList::string(std::string_view key) const {
  return stringValue(item(root_->plist, key));
}

std::optional<std::int64_t> TonnixPropertyList::integer(std::string_view key) const {
  const plist_t node = item(root_->plist, key);
  if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
  std::uint64_t value = 0;
  plist_get_uint_val(node, &value);
  // libplist keeps negative integers as their two's complement.
  return static_cast<std::int64_t>(value);
}

std::optional<TonnixPropertyList::StringPairs> TonnixPropertyList::stringDictionary(
    std::string_view key) const {
  const plist_t node = item(root_->plist, key);
  if (!node || plist_get_node_type(node) != PLIST_DICT) return std::nullopt;
  StringPairs entries;
  plist_dict_iter iterator = nullptr;
  plist_dict_new_iter(node, &iterator);
  bool allStrings = true;
  while (allStrings) {
    char* entryKey = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node, iterator, &entryKey, &value);
    if (!entryKey) break;
    auto text = stringValue(value);
    if (text) entries.emplace_back(entryKey, std::move(*text));
    allStrings = text.has_value();
    free(entryKey);
  }
  free(iterator);
  if (!allStrings) return std::nullopt;
  return entries;
}

void TonnixPropertyList::set(std::string_view key, void* value) {
  plist_dict_set_item(root_->plist, terminated(key).c_str(), value);
}

void TonnixPropertyList::setString(std::string_view key, std::string_view value) {
  set(key, plist_new_string(terminated(value).c_str()));
}

void TonnixPropertyList::setInteger(std::string_view key, std::int64_t value) {
  set(key, plist_new_uint(static_cast<std::uint64_t>(value)));
}

void TonnixPropertyList::setStringDictionary(std::string_view key, const StringPairs& entries) {
  plist_t dictionary = plist_new_dict();
  for (const auto& [entryKey, value] : entries) {
    plist_dict_set_item(dictionary, entryKey.c_str(), plist_new_string(value.c_str()));
  }
  set(key, dictionary);
}

std::optional<std::string> TonnixPropertyList::xml() const {
  char* text = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root_->plist, &text, &length);
  if (!text) return std::nullopt;
  std::string bytes(text, length);
  plist_to_xml_free(text);
  return bytes;
}

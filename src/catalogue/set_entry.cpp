#include "catalogue/set_entry.h"

#include <clocale>
#include <cwchar>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

namespace {

// Unicode letter classes from the C library's UTF-8 locale, independent of
// the process locale.
locale_t utf8Locale() {
  static const locale_t locale = [] {
    locale_t made = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return made ? made : newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return locale;
}

// An uppercase letter, or a cased letter that upper-casing leaves alone.
bool startsWord(wint_t c) {
  const locale_t locale = utf8Locale();
  if (iswupper_l(c, locale)) return true;
  const bool cased = towlower_l(c, locale) != c || towupper_l(c, locale) != c;
  return cased && iswalpha_l(c, locale) && towupper_l(c, locale) == c;
}

// Splits UTF-8 text into code points with their byte spans; an invalid byte
// stands for itself and never starts a word.
template <typename Visit>
void forEachCharacter(const std::string& text, Visit visit) {
  std::mbstate_t state{};
  std::size_t at = 0;
  const locale_t previous = uselocale(utf8Locale());
  while (at < text.size()) {
    wchar_t wide = 0;
    std::size_t length = std::mbrtowc(&wide, text.data() + at, text.size() - at, &state);
    bool valid = true;
    if (length == 0 || length > text.size() - at) {
      length = 1;
      valid = false;
      state = std::mbstate_t{};
    }
    visit(std::string_view(text).substr(at, length), valid ? static_cast<wint_t>(wide) : WEOF);
    at += length;
  }
  uselocale(previous);
}

}  // namespace

std::string TonnixSetEntry::displayName() const {
  const auto dot = fileName.rfind('.');
  const std::string base = dot == std::string::npos ? fileName : fileName.substr(0, dot);
  std::string name;
  std::string word;
  forEachCharacter(base, [&](std::string_view bytes, wint_t c) {
    if (c != WEOF && startsWord(c) && !word.empty()) {
      name += (name.empty() ? "" : " ") + word;
      word.clear();
    }
    word += bytes;
  });
  if (!word.empty()) name += (name.empty() ? "" : " ") + word;
  return name.empty() ? base : name;
}

#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "catalogue/sound_id.h"

// What a clicked element is, as far as theme sounds care. The order is fixed:
// it is the order of the sound tables below.
enum class TonnixControlKind {
  button,
  defaultButton,
  cancelButton,
  checkbox,
  radio,
  tab,
  popUp,
  disclosure,
  littleArrowUp,
  littleArrowDown,
  scrollTrack,
  sliderTrack,
  windowClose,
  windowZoom,
  windowCollapse,
  utilityWindowClose,
  utilityWindowZoom,
  utilityWindowCollapse,
  genericClick,
};

namespace tonnix_detail {

// One row per kind: its name and the sounds of the four phases of a click.
// An empty code means the phase is silent.
struct TonnixControlKindRow {
  TonnixControlKind kind;
  std::string_view name;
  const char* press;
  const char* enter;
  const char* exit;
  const char* release;
};

inline constexpr std::array<TonnixControlKindRow, 19> kControlKindRows{{
    {TonnixControlKind::button, "button", "btnp", "btne", "btnx", "btnr"},
    {TonnixControlKind::defaultButton, "defaultButton", "dbtp", "dbte", "dbtx", "dbtr"},
    {TonnixControlKind::cancelButton, "cancelButton", "cbtp", "cbte", "cbtx", "cbtr"},
    {TonnixControlKind::checkbox, "checkbox", "chkp", "chke", "chkx", "chkr"},
    {TonnixControlKind::radio, "radio", "radp", "rade", "radx", "radr"},
    {TonnixControlKind::tab, "tab", "tabp", "tabe", "tabx", "tabr"},
    {TonnixControlKind::popUp, "popUp", "popp", "pope", "popx", "popr"},
    {TonnixControlKind::disclosure, "disclosure", "dscp", "dsce", "dscx", "dscr"},
    // The two little arrows share their enter and exit sounds.
    {TonnixControlKind::littleArrowUp, "littleArrowUp", "laup", "lare", "larx", "laur"},
    {TonnixControlKind::littleArrowDown, "littleArrowDown", "ladp", "lare", "larx", "ladr"},
    {TonnixControlKind::scrollTrack, "scrollTrack", "sbtp", "", "", ""},
    {TonnixControlKind::sliderTrack, "sliderTrack", "sltp", "", "", ""},
    {TonnixControlKind::windowClose, "windowClose", "wclp", "wcle", "wclx", "wclr"},
    {TonnixControlKind::windowZoom, "windowZoom", "wzmp", "wzme", "wzmx", "wzmr"},
    {TonnixControlKind::windowCollapse, "windowCollapse", "wcop", "wcoe", "wcox", "wcor"},
    {TonnixControlKind::utilityWindowClose, "utilityWindowClose", "uclp", "ucle", "uclx", "uclr"},
    {TonnixControlKind::utilityWindowZoom, "utilityWindowZoom", "uzmp", "uzme", "uzmx", "uzmr"},
    {TonnixControlKind::utilityWindowCollapse, "utilityWindowCollapse", "ucop", "ucoe", "ucox",
     "ucor"},
    {TonnixControlKind::genericClick, "genericClick", "!mdo", "", "", ""},
}};

// The table is indexed by the kind's value, so its rows must follow the enumeration.
static_assert([] {
  for (std::size_t i = 0; i < kControlKindRows.size(); ++i) {
    if (static_cast<std::size_t>(kControlKindRows[i].kind) != i) return false;
  }
  return true;
}());

constexpr const TonnixControlKindRow& controlKindRow(TonnixControlKind kind) {
  return kControlKindRows[static_cast<std::size_t>(kind)];
}

constexpr std::optional<TonnixSoundID> controlKindSound(const char* code) {
  if (code[0] == '\0') return std::nullopt;
  const auto byte = [code](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[i]));
  };
  return TonnixSoundID(byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3));
}

}  // namespace tonnix_detail

// Every kind, in declaration order.
constexpr std::array<TonnixControlKind, 19> allControlKinds() {
  std::array<TonnixControlKind, 19> kinds{};
  for (std::size_t i = 0; i < kinds.size(); ++i) kinds[i] = tonnix_detail::kControlKindRows[i].kind;
  return kinds;
}

// The case name, e.g. "defaultButton".
constexpr std::string_view controlKindName(TonnixControlKind kind) {
  return tonnix_detail::controlKindRow(kind).name;
}

// Sound of the button going down; every kind has one.
constexpr std::optional<TonnixSoundID> pressSound(TonnixControlKind kind) {
  return tonnix_detail::controlKindSound(tonnix_detail::controlKindRow(kind).press);
}

// Sound of the pointer coming back into the pressed control.
constexpr std::optional<TonnixSoundID> enterSound(TonnixControlKind kind) {
  return tonnix_detail::controlKindSound(tonnix_detail::controlKindRow(kind).enter);
}

// Sound of the pointer leaving the pressed control.
constexpr std::optional<TonnixSoundID> exitSound(TonnixControlKind kind) {
  return tonnix_detail::controlKindSound(tonnix_detail::controlKindRow(kind).exit);
}

// Sound of the button coming up inside the control.
constexpr std::optional<TonnixSoundID> releaseSound(TonnixControlKind kind) {
  return tonnix_detail::controlKindSound(tonnix_detail::controlKindRow(kind).release);
}

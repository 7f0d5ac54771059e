#include "events/notification_mapping.h"

#include "platform/accessibility.h"

namespace {

using Resolution = TonnixSoundResolution;

TonnixNotificationMapping row(const QString& name, Resolution resolution, bool enabled) {
  return {{name}, std::move(resolution), enabled};
}

Resolution fixed(const char (&code)[5]) {
  return {Resolution::Fixed{TonnixSoundID(code)}};
}

Resolution tracked(const char (&open)[5], const char (&close)[5]) {
  return {Resolution::Tracked{TonnixSoundID(open), TonnixSoundID(close)}};
}

std::vector<TonnixNotificationMapping> makeTable() {
  namespace N = TonnixAXNotification;
  const Resolution createdWindow{Resolution::CreatedWindow{}};
  const Resolution destroyedElement{Resolution::DestroyedElement{}};
  const Resolution selectedChildren{
      Resolution::SelectedChildrenChanged{TonnixSoundID("fsel"), TonnixSoundID("mnui")}};
  return {
      row(N::focusedWindowChanged, fixed("wact"), true),
      row(N::mainWindowChanged, fixed("wact"), false),
      row(N::focusedUIElementChanged, fixed("beve"), false),
      row(N::applicationActivated, fixed("uact"), false),
      row(N::applicationHidden, fixed("@aph"), true),
      row(N::applicationShown, fixed("@aps"), true),
      row(N::windowCreated, createdWindow, true),
      row(N::windowMiniaturized, fixed("wcol"), true),
      row(N::windowDeminiaturized, fixed("wexp"), true),
      row(N::windowMoved, fixed("wmov"), true),
      row(N::windowResized, fixed("wgro"), true),
      row(N::drawerCreated, tracked("uopn", "ucls"), true),
      row(N::sheetCreated, tracked("dopn", "dlgc"), true),
      row(N::helpTagCreated, tracked("blno", "blnc"), true),
      row(N::uiElementDestroyed, destroyedElement, true),
      row(N::valueChanged, fixed("sltp"), false),
      row(N::menuOpened, fixed("mnuo"), true),
      row(N::menuClosed, fixed("mnuc"), true),
      row(N::menuItemSelected, fixed("mnui"), true),
      row(N::rowExpanded, fixed("dscr"), true),
      row(N::rowCollapsed, fixed("dscr"), true),
      row(N::selectedCellsChanged, fixed("fsel"), true),
      row(N::selectedRowsChanged, fixed("fsel"), true),
      row(N::selectedColumnsChanged, fixed("fsel"), true),
      row(N::selectedChildrenChanged, selectedChildren, true),
      row(N::selectedTextChanged, fixed("fsel"), false),
      row(N::created, fixed("fnew"), false),
      row(N::resized, fixed("wgro"), false),
      row(N::moved, fixed("imov"), false),
  };
}

}  // namespace

const std::vector<TonnixNotificationMapping>& allNotificationMappings() {
  static const auto table = makeTable();
  return table;
}

const std::vector<TonnixNotificationMapping>& defaultNotificationMappings() {
  static const auto enabled = [] {
    std::vector<TonnixNotificationMapping> rows;
    for (const auto& mapping : allNotificationMappings()) {
      if (mapping.isEnabledByDefault) rows.push_back(mapping);
    }
    return rows;
  }();
  return enabled;
}

TonnixWindowSoundPair windowSoundPair(const std::optional<QString>& subrole) {
  namespace S = TonnixAXSubrole;
  if (subrole == S::dialog) return {TonnixSoundID("dopn"), TonnixSoundID("dlgc")};
  if (subrole == S::systemDialog) return {TonnixSoundID("aopn"), TonnixSoundID("altc")};
  if (subrole == S::floatingWindow || subrole == S::systemFloatingWindow) {
    return {TonnixSoundID("uopn"), TonnixSoundID("ucls")};
  }
  return {TonnixSoundID("wopn"), TonnixSoundID("wcls")};
}

TonnixMappingsByRawName::TonnixMappingsByRawName(
    const std::vector<TonnixNotificationMapping>& mappings) {
  for (const auto& mapping : mappings) {
    if (indexByName_.contains(mapping.notification.rawValue)) continue;
    indexByName_.insert(mapping.notification.rawValue, mappings_.size());
    mappings_.push_back(mapping);
  }
}

const TonnixNotificationMapping* TonnixMappingsByRawName::find(const QString& rawName) const {
  const auto index = indexByName_.constFind(rawName);
  return index == indexByName_.cend() ? nullptr : &mappings_[*index];
}

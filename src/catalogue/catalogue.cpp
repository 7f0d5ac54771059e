#include "catalogue/catalogue.h"

#include <string>
#include <unordered_map>

namespace {

std::vector<TonnixSetEntry> makeCatalogue() {
  return {
    {TonnixSoundID("mnuo"), "MenuOpen.aiff", TonnixSoundCategory::menu, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("mnuc"), "MenuClose.aiff", TonnixSoundCategory::menu, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("mnui"), "MenuItemHilite.aiff", TonnixSoundCategory::menu, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("mnus"), "MenuItemRelease.aiff", TonnixSoundCategory::menu, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wclp"), "WindowClosePress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcle"), "WindowCloseEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wclx"), "WindowCloseExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wclr"), "WindowCloseRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzmp"), "WindowZoomPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzme"), "WindowZoomEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzmx"), "WindowZoomExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzmr"), "WindowZoomRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcop"), "WindowCollapsePress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcoe"), "WindowCollapseEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcox"), "WindowCollapseExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcor"), "WindowCollapseRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uclp"), "UtilityWindowClosePress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucle"), "UtilityWindowCloseEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uclx"), "UtilityWindowCloseExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uclr"), "UtilityWindowCloseRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzmp"), "UtilityWindowZoomPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzme"), "UtilityWindowZoomEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzmx"), "UtilityWindowZoomExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzmr"), "UtilityWindowZoomRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucop"), "UtilityWindowCollapsePress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucoe"), "UtilityWindowCollapseEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucox"), "UtilityWindowCollapseExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucor"), "UtilityWindowCollapseRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("btnp"), "ButtonPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("btne"), "ButtonEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("btnx"), "ButtonExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("btnr"), "ButtonRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dbtp"), "DefaultButtonPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dbte"), "DefaultButtonEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dbtx"), "DefaultButtonExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dbtr"), "DefaultButtonRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("cbtp"), "CancelButtonPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("cbte"), "CancelButtonEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("cbtx"), "CancelButtonExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("cbtr"), "CancelButtonRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("chkp"), "CheckboxPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("chke"), "CheckboxEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("chkx"), "CheckboxExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("chkr"), "CheckboxRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("radp"), "RadioPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("rade"), "RadioEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("radx"), "RadioExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("radr"), "RadioRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbap"), "ScrollArrowPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbae"), "ScrollArrowEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbax"), "ScrollArrowExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbar"), "ScrollArrowRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbte"), "ScrollArrowEndOfTrack.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sbtp"), "ScrollTrackPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("slte"), "SliderEndOfTrack.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("sltp"), "SliderTrackPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("bevp"), "BevelPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("beve"), "BevelEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("bevx"), "BevelExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("bevr"), "BevelRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("laup"), "LittleArrowUpPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ladp"), "LittleArrowDownPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("lare"), "LittleArrowEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("larx"), "LittleArrowExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("laur"), "LittleArrowUpRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ladr"), "LittleArrowDownRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("popp"), "PopupPress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("pope"), "PopupEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("popx"), "PopupExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("popr"), "PopupRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dscp"), "DisclosurePress.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dsce"), "DisclosureEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dscx"), "DisclosureExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dscr"), "DisclosureRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("tabp"), "TabPressed.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("tabe"), "TabEnter.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("tabx"), "TabExit.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("tabr"), "TabRelease.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("fdrp"), "ReceiveDrop.aiff", TonnixSoundCategory::control, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wdbd"), "WindowDragBoundary.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("udbd"), "UtilityWindowDragBoundary.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wopn"), "WindowOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcls"), "WindowClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzmi"), "WindowZoomIn.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wzmo"), "WindowZoomOut.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wcol"), "WindowCollapseUp.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wexp"), "WindowCollapseDown.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wact"), "WindowActivate.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uopn"), "UtilityWindowOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucls"), "UtilityWindowClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzmi"), "UtilityWindowZoomIn.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uzmo"), "UtilityWindowZoomOut.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ucol"), "UtilityWindowCollapseUp.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uexp"), "UtilityWindowCollapseDown.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("uact"), "UtilityWindowActivate.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dopn"), "DialogOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dlgc"), "DialogClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("aopn"), "AlertOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("altc"), "AlertClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("pwop"), "PopupWindowOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("pwcl"), "PopupWindowClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("blno"), "BalloonOpen.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("blnc"), "BalloonClose.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dthi"), "DragTargetHilite.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dtuh"), "DragTargetUnhilite.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("dtdr"), "DragTargetDrop.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("ftrs"), "EmptyTrash.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("fsel"), "SelectItem.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("fnew"), "NewItem.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("fcpd"), "CopyDone.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("fral"), "ResolveAlias.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("flap"), "LaunchApp.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("dski"), "DiskInsert.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("dske"), "DiskEject.aiff", TonnixSoundCategory::finder, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("fdon"), "FinderDragOnIcon.aiff", TonnixSoundCategory::finder, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("fdof"), "FinderDragOffIcon.aiff", TonnixSoundCategory::finder, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("!mot"), "MoveToTrash.aiff", TonnixSoundCategory::finder, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("!mdo"), "MouseClick.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("!kdo"), "KeyPress.aiff", TonnixSoundCategory::window, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("!kmd"), "KeyModifier.aiff", TonnixSoundCategory::window, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("@aph"), "ApplicationHide.aiff", TonnixSoundCategory::window, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("@aps"), "ApplicationShow.aiff", TonnixSoundCategory::window, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("dtBE"), "DragBegin.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
    {TonnixSoundID("wmov"), "DragSoundMoveWindow.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("wgro"), "DragSoundGrowWindow.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("umov"), "DragSoundMoveUtilWindow.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("ugro"), "DragSoundGrowUtilWindow.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("dmov"), "DragSoundMoveDialog.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("amov"), "DragSoundMoveAlert.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("imov"), "DragSoundMoveIcon.aiff", TonnixSoundCategory::window, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("slth"), "DragSoundSliderThumb.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("slgh"), "DragSoundSliderGhost.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("sbth"), "DragSoundScrollBarThumb.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("sbgh"), "DragSoundScrollBarGhost.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("sbad"), "DragSoundScrollBarArrowDecreasing.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("sbai"), "DragSoundScrollBarArrowIncreasing.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive, 1.0},
    {TonnixSoundID("drag"), "DragSoundDragging.aiff", TonnixSoundCategory::control, TonnixSoundFlags::loops | TonnixSoundFlags::exclusive | TonnixSoundFlags::keepsLoopingUnderOthers, 1.0},
  };
}

std::vector<TonnixSetEntry> makeAlternates() {
  return {
    {TonnixSoundID("!aqt"), "ApplicationQuit.aiff", TonnixSoundCategory::window, TonnixSoundFlags::centered, 1.0},
    {TonnixSoundID("dtdr"), "DragTragetDrop.aiff", TonnixSoundCategory::window, TonnixSoundFlags{}, 1.0},
  };
}

std::string lowerBaseName(const std::string& fileName) {
  std::string base = fileName.substr(0, fileName.rfind('.'));
  for (char& c : base) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return base;
}

struct Indexes {
  std::unordered_map<TonnixSoundID, const TonnixSetEntry*> bySoundID;
  std::unordered_map<std::string, const TonnixSetEntry*> byBaseName;
};

// try_emplace keeps the first occurrence of a duplicate key.
const Indexes& indexes() {
  static const Indexes built = [] {
    Indexes result;
    for (const auto& entry : allEntries()) {
      result.bySoundID.try_emplace(entry.soundID, &entry);
      result.byBaseName.try_emplace(lowerBaseName(entry.fileName), &entry);
    }
    return result;
  }();
  return built;
}

}  // namespace

const std::vector<TonnixSetEntry>& catalogue() {
  static const std::vector<TonnixSetEntry> entries = makeCatalogue();
  return entries;
}

const std::vector<TonnixSetEntry>& alternateEntries() {
  static const std::vector<TonnixSetEntry> entries = makeAlternates();
  return entries;
}

const std::vector<TonnixSetEntry>& allEntries() {
  static const std::vector<TonnixSetEntry> entries = [] {
    auto all = catalogue();
    all.insert(all.end(), alternateEntries().begin(), alternateEntries().end());
    return all;
  }();
  return entries;
}

const TonnixSetEntry* entryForSoundID(TonnixSoundID id) {
  const auto& map = indexes().bySoundID;
  const auto found = map.find(id);
  return found == map.end() ? nullptr : found->second;
}

const TonnixSetEntry* entryForBaseName(std::string_view name) {
  const auto& map = indexes().byBaseName;
  const auto found = map.find(std::string(name));
  return found == map.end() ? nullptr : found->second;
}

// The Sound Sets tab: its texts, the event list's pickers, drops and the
// export's file name.

#include "ui/sound_sets_tab.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QTreeView>

#include "settings_desktop.h"
#include "sound_file.h"
#include "ui/event_list_model.h"
#include "ui/set_dialogs.h"

using ui_test::named;
using ui_test::SettingsDesktop;

namespace {

const TonnixSoundID closePress("wclp");

std::unique_ptr<TonnixSoundSetsTab> showTab(SettingsDesktop& desktop) {
  auto tab = std::make_unique<TonnixSoundSetsTab>(desktop.model());
  tab->show();
  if (!QTest::qWaitForWindowExposed(tab.get())) throw std::runtime_error("tab not shown");
  return tab;
}

QStringList pickerEntries(TonnixSoundSetsTab& tab, TonnixSoundID soundID) {
  // As a click does: the picker open elsewhere closes, this row's opens.
  const auto row = tab.eventModel().indexOf(soundID, TonnixEventListModel::pickerColumn);
  tab.events().setCurrentIndex(row);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  tab.events().edit(row);
  auto& picker = named<QComboBox>(tab.events(), "eventPicker");
  QStringList entries;
  for (int item = 0; item < picker.count(); ++item) entries << picker.itemText(item);
  return entries;
}

QImage pictureOf(const QVariant& icon) {
  return icon.value<QIcon>().pixmap(16).toImage();
}

}  // namespace

TEST(SoundSetsTab, ListsThreeLoadFailuresAndCountsTheRest) {
  SettingsDesktop desktop;
  const std::filesystem::path sets = desktop.userSets();
  for (int set = 1; set <= 5; ++set) {
    std::filesystem::create_directory(sets / ("Broken " + std::to_string(set) + ".tonnixset"));
  }
  auto tab = showTab(desktop);
  desktop.library().reload();
  const QStringList lines = named<QLabel>(*tab, "loadFailures").text().split(QLatin1Char('\n'));
  EXPECT_EQ(lines, desktop.library().loadFailures().mid(0, 3) << QStringLiteral("and 2 more"));
}

// A choice in a picker is stored, and the texts above the list follow it.
TEST(SoundSetsTab, AnEventsPickerOffersEverySetNoneAndCustomAndStoresTheChoice) {
  SettingsDesktop desktop({closePress});
  auto tab = showTab(desktop);
  EXPECT_EQ(named<QLabel>(*tab, "summary").text(),
            QStringLiteral("1 set installed. 136 of 137 events will play. The set above applies "
                           "to every event set to Same as Sound Set."));
  EXPECT_FALSE(named<QLabel>(*tab, "loadFailures").isVisible());
  EXPECT_EQ(
      named<QLabel>(*tab, "exportExplanation").text(),
      QStringLiteral("Every event follows the sound set above, so there is nothing new to save."));
  EXPECT_EQ(pickerEntries(*tab, TonnixSoundID("mnuo"))[2], QStringLiteral("Test"));
  EXPECT_EQ(pickerEntries(*tab, closePress),
            (QStringList{QStringLiteral("Same as Sound Set (Test)"), QString(),
                         QStringLiteral("Test (no sound)"), QString(), QStringLiteral("None"),
                         QString(), QStringLiteral("Custom…")}));

  auto& picker = named<QComboBox>(tab->events(), "eventPicker");
  picker.setCurrentIndex(picker.findText(QStringLiteral("None")));
  emit picker.activated(picker.currentIndex());
  EXPECT_EQ(TonnixAssignments(desktop.preferences).selectionFor(closePress),
            TonnixSelection::silent());
  const auto row = tab->eventModel().indexOf(closePress, TonnixEventListModel::pickerColumn);
  EXPECT_EQ(row.data().toString(), QStringLiteral("None"));
  EXPECT_EQ(named<QLabel>(*tab, "exportExplanation").text(),
            QStringLiteral("Save everything you can hear right now as a new sound set."));
}

TEST(SoundSetsTab, ACustomFileDeletedFromDiskIsMissingAndSilent) {
  SettingsDesktop desktop;
  QTemporaryDir own;
  const std::filesystem::path file = own.filePath(QStringLiteral("Whoosh.wav")).toStdString();
  ASSERT_TRUE(tonnix_test::writeSound(file));
  ASSERT_TRUE(desktop.controller().transfer().chooseCustomSound(file, closePress));
  desktop.assignments.setSelection(TonnixSelection::silent(), TonnixSoundID("mnuo"));
  auto tab = showTab(desktop);
  auto& model = tab->eventModel();
  const auto event = model.indexOf(closePress, TonnixEventListModel::eventColumn);
  const auto picker = model.indexOf(closePress, TonnixEventListModel::pickerColumn);
  const auto silent = model.indexOf(TonnixSoundID("mnuo"), TonnixEventListModel::eventColumn);
  EXPECT_EQ(picker.data().toString(), QStringLiteral("Whoosh.wav"));
  EXPECT_TRUE(named<QLabel>(*tab, "summary")
                  .text()
                  .endsWith(QStringLiteral(". 1 event plays a file of its own.")));
  EXPECT_NE(pictureOf(event.data(Qt::DecorationRole)), pictureOf(silent.data(Qt::DecorationRole)));

  std::filesystem::remove(file);
  EXPECT_EQ(picker.data().toString(), QStringLiteral("Whoosh.wav (missing)"));
  EXPECT_TRUE(pickerEntries(*tab, closePress).contains(QStringLiteral("Whoosh.wav (missing)")));
  EXPECT_EQ(pictureOf(event.data(Qt::DecorationRole)), pictureOf(silent.data(Qt::DecorationRole)));
}

TEST(SoundSetsTab, EverythingDroppedGoesToOneImport) {
  SettingsDesktop desktop;
  auto tab = showTab(desktop);
  EXPECT_TRUE(ui_test::dropFiles(
      *tab, {QStringLiteral("/nowhere/Chimes.tonnixset"), QStringLiteral("/nowhere/Classic Set")}));
  EXPECT_EQ(desktop.controller().transfer().setsToImport(), 2);
}

TEST(SoundSetsTab, AnExportIsNamedAsASetUnlessItAlreadyIs) {
  EXPECT_EQ(withSetExtension("/home/me/Mine"), "/home/me/Mine.tonnixset");
  EXPECT_EQ(withSetExtension("/home/me/Mine.TONNIXSET"), "/home/me/Mine.TONNIXSET");
  EXPECT_EQ(withSetExtension("Mine.v2"), "Mine.v2.tonnixset");
}

TEST(SoundSetsTab, TheExportDialogProposesTheSetsNameAndTheImportDialogTakesFolders) {
  TonnixExportDialog save(QStringLiteral("Tonnix Default Custom"));
  EXPECT_TRUE(
      save.selectedFiles().value(0).endsWith(QStringLiteral("/Tonnix Default Custom.tonnixset")));

  QTemporaryDir folder;
  const QString bundle = folder.filePath(QStringLiteral("Chimes.tonnixset"));
  ASSERT_TRUE(QDir().mkpath(bundle));
  TonnixImportDialog open;
  open.setDirectory(folder.path());
  open.selectFile(bundle);
  open.accept();
  EXPECT_EQ(open.result(), QDialog::Accepted);
  EXPECT_EQ(open.chosenPaths(), std::vector<std::filesystem::path>{bundle.toStdString()});
}

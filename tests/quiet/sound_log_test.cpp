#include "quiet/sound_log.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "platform/fake/fake_accessibility.h"
#include "platform/fake/fake_workspace.h"

namespace {

using namespace std::chrono_literals;

const TonnixDate kStart = TonnixDate(std::chrono::hours(480000));

TonnixEvent applicationEvent(std::int32_t pid, const char* name = "AXMenuOpened",
                             std::optional<QString> detail = std::nullopt) {
  TonnixEvent event;
  event.notificationName = QString::fromLatin1(name);
  event.soundID = TonnixSoundID("mnuo");
  event.processIdentifier = pid;
  event.applicationName = QStringLiteral("Editor");
  event.detail = std::move(detail);
  return event;
}

TonnixEvent namedEvent(std::int32_t pid, QString description) {
  TonnixEvent event = applicationEvent(pid);
  event.element = TonnixEventElement::named(std::move(description));
  return event;
}

TonnixRunningApplication application(std::int32_t pid, std::optional<QString> name,
                                     std::optional<QString> bundleIdentifier) {
  TonnixRunningApplication running;
  running.processIdentifier = pid;
  running.localizedName = std::move(name);
  running.bundleIdentifier = std::move(bundleIdentifier);
  return running;
}

class SoundLogTest : public testing::Test {
 protected:
  SoundLogTest() : log_(accessibility_, workspace_) {
    workspace_.addApplication(
        application(10, QStringLiteral("Text Editor"), QStringLiteral("org.gnome.TextEditor")));
    workspace_.addApplication(
        application(20, QStringLiteral("Files"), QStringLiteral("org.gnome.Nautilus")));
  }

  TonnixFakeAccessibility accessibility_;
  TonnixFakeWorkspace workspace_;
  TonnixSoundLog log_;
};

TEST_F(SoundLogTest, RepeatedEventsMergeIntoOneEntryTellingDetailsApart) {
  log_.record(applicationEvent(10), kStart);
  log_.record(applicationEvent(10), kStart + 1s);
  log_.record(applicationEvent(10), kStart + 5s);
  ASSERT_EQ(log_.sections().size(), 1u);
  const TonnixSoundLogSection& section = log_.sections().front();
  EXPECT_EQ(std::pair(section.name, section.bundleIdentifier),
            (std::pair<QString, std::optional<QString>>("Text Editor", "org.gnome.TextEditor")));
  ASSERT_EQ(section.entries.size(), 1u);
  const TonnixSoundLogEntry& entry = section.entries.front();
  EXPECT_EQ(std::tuple(entry.count, entry.firstDate, entry.lastDate),
            std::tuple(3, kStart, kStart + 5s));
  EXPECT_EQ(section.latestDate(), kStart + 5s);
  EXPECT_EQ(log_.entryCount(), 1);
  EXPECT_EQ(log_.soundCount(), 3);

  // Details tell entries apart, but an absent one equals an empty one.
  for (const auto& detail : {std::optional<QString>("A"), std::optional<QString>("B"),
                             std::optional<QString>(""), std::optional<QString>()}) {
    log_.record(applicationEvent(10, "App Launched", detail), kStart);
  }
  EXPECT_EQ(log_.entryCount(), 4);
  EXPECT_EQ(log_.sections().front().entries.front().count, 2);
}

TEST_F(SoundLogTest, CapsDropTheOldestEntryAndTheLeastRecentSection) {
  for (int index = 0; index < 21; ++index) {
    const QByteArray name = "Event" + QByteArray::number(index);
    log_.record(applicationEvent(10, name.constData()), kStart + std::chrono::seconds(index));
  }
  const auto& entries = log_.sections().front().entries;
  ASSERT_EQ(entries.size(), TonnixSoundLog::maximumEntries);
  EXPECT_EQ(entries.front().eventName, "Event20");
  EXPECT_EQ(entries.back().eventName, "Event1");

  for (int pid = 100; pid < 110; ++pid) log_.record(applicationEvent(pid), kStart + 30s);
  ASSERT_EQ(log_.sections().size(), TonnixSoundLog::maximumSections);
  EXPECT_EQ(log_.sections().back().group, TonnixSoundLogGroup::application("pid:100"));
}

TEST_F(SoundLogTest, RecordingDropsWhatIsTwoHoursOlder) {
  log_.record(applicationEvent(20), kStart);
  log_.record(applicationEvent(10, "AXMenuClosed"), kStart + 1s);
  log_.record(applicationEvent(10), kStart + 7201s);
  // The entry exactly at the cutoff stays; the section whose only entry is
  // older goes.
  ASSERT_EQ(log_.sections().size(), 1u);
  EXPECT_EQ(log_.sections().front().entries.size(), 2u);

  int sections = 0;
  QObject::connect(&log_, &TonnixSoundLog::sectionsChanged, [&sections] { ++sections; });
  log_.prune(kStart + 7201s);
  EXPECT_EQ(sections, 0);
  log_.prune(kStart + 7202s);
  EXPECT_EQ(sections, 1);
  EXPECT_EQ(log_.entryCount(), 1);
}

TEST_F(SoundLogTest, SilencePeriodsOpenCloseAndAreCapped) {
  log_.silenceChanged(TonnixSilenceReason::focus, kStart);
  log_.silenceChanged(TonnixSilenceReason::focus, kStart + 1s);
  ASSERT_EQ(log_.silences().size(), 1u);
  EXPECT_EQ(log_.activeSilenceReason(), TonnixSilenceReason::focus);
  EXPECT_FALSE(log_.hasContent());

  // A clock that went back never ends a period before it started.
  log_.silenceChanged(std::nullopt, kStart - 5s);
  EXPECT_EQ(log_.silences().front().endDate, kStart);
  EXPECT_EQ(log_.activeSilenceReason(), std::nullopt);
  EXPECT_TRUE(log_.hasContent());

  for (int index = 0; index < 20; ++index) {
    const auto reason = index % 2 == 0 ? TonnixSilenceReason::gameMode : TonnixSilenceReason::focus;
    log_.silenceChanged(reason, kStart + std::chrono::seconds(10 + index));
  }
  ASSERT_EQ(log_.silences().size(), TonnixSoundLog::maximumSilences);
  EXPECT_EQ(log_.silences().back().reason, TonnixSilenceReason::gameMode);
  EXPECT_FALSE(log_.silences().front().endDate);
  EXPECT_EQ(log_.silences()[1].endDate, log_.silences()[0].startDate);
}

TEST_F(SoundLogTest, PruningAndClearingKeepTheOpenPeriod) {
  log_.silenceChanged(TonnixSilenceReason::videoPlayback, kStart);
  log_.silenceChanged(std::nullopt, kStart + 1s);
  log_.silenceChanged(TonnixSilenceReason::focus, kStart + 2s);
  log_.prune(kStart + 10000s);
  ASSERT_EQ(log_.silences().size(), 1u);
  EXPECT_EQ(log_.activeSilenceReason(), TonnixSilenceReason::focus);

  log_.silenceChanged(std::nullopt, kStart + 10001s);
  log_.silenceChanged(TonnixSilenceReason::gameMode, kStart + 10002s);
  log_.record(applicationEvent(10), kStart + 10003s);
  EXPECT_TRUE(log_.hasContent());
  log_.clear();
  EXPECT_TRUE(log_.sections().empty());
  ASSERT_EQ(log_.silences().size(), 1u);
  EXPECT_EQ(log_.activeSilenceReason(), TonnixSilenceReason::gameMode);
  EXPECT_FALSE(log_.hasContent());
}

// A blank name falls back to the process; the application's file names it
// before its id does; an unknown process keeps the event's own name.
TEST_F(SoundLogTest, SourcesAreNamedByApplicationIdOrProcess) {
  workspace_.addApplication(application(30, QStringLiteral(" \n"), std::nullopt));
  workspace_.addApplication(application(40, std::nullopt, QStringLiteral("org.example.Tool")));
  TonnixRunningApplication withFile = application(41, std::nullopt, QStringLiteral("org.ex.Ed"));
  withFile.bundleURL = "/usr/share/applications/Ed.Desktop";
  workspace_.addApplication(withFile);
  const std::vector<std::tuple<int, QString, QString>> expected = {
      {30, "pid 30", "pid:30"},
      {40, "org.example.Tool", "org.example.Tool"},
      {41, "Ed", "org.ex.Ed"},
      {50, "Editor", "pid:50"}};
  for (const auto& [pid, name, key] : expected) {
    log_.record(applicationEvent(pid), kStart);
    EXPECT_EQ(log_.sections().front().name, name);
    EXPECT_EQ(log_.sections().front().group, TonnixSoundLogGroup::application(key));
  }
}

TEST_F(SoundLogTest, IdentitiesAreLookedUpOncePerProcess) {
  log_.record(applicationEvent(10), kStart);
  log_.record(applicationEvent(10), kStart);
  EXPECT_EQ(workspace_.lookupCount(), 1);

  workspace_.addApplication(
      application(10, QStringLiteral("Renamed"), QStringLiteral("org.gnome.TextEditor")));
  log_.record(applicationEvent(10, "AXMenuClosed"), kStart);
  EXPECT_EQ(log_.sections().front().name, "Text Editor");

  // The same application id shares one section across processes.
  log_.forgetProcess(10);
  log_.record(applicationEvent(10), kStart);
  EXPECT_EQ(log_.sections().size(), 1u);
  EXPECT_EQ(workspace_.lookupCount(), 2);
}

TEST_F(SoundLogTest, ElementsAreRenamedAtMostEveryTwoSeconds) {
  log_.record(namedEvent(10, QStringLiteral("AXMenu \"File\"")), kStart);
  log_.record(namedEvent(10, QStringLiteral("AXMenu \"Edit\"")), kStart + 1999ms);
  const auto& entry = [this]() -> const TonnixSoundLogEntry& {
    return log_.sections().front().entries.front();
  };
  EXPECT_EQ(entry().elementDescription, "AXMenu \"File\"");
  EXPECT_EQ(entry().elementNamedDate, kStart);

  log_.record(namedEvent(10, QStringLiteral("AXMenu \"Edit\"")), kStart + 2s);
  EXPECT_EQ(entry().elementDescription, "AXMenu \"Edit\"");
  EXPECT_EQ(entry().elementNamedDate, kStart + 2s);

  log_.record(applicationEvent(10), kStart + 10s);
  EXPECT_EQ(entry().elementDescription, "AXMenu \"Edit\"");

  // Cutting at 200 characters never splits one outside the basic plane.
  const QString text = QString(199, QChar('a')) + QString::fromUcs4(U"\U0001F50A") + "tail";
  log_.record(namedEvent(10, text), kStart + 20s);
  EXPECT_EQ(entry().elementDescription->size(), 201);
  EXPECT_TRUE(entry().elementDescription->endsWith(QString::fromUcs4(U"\U0001F50A")));
}

TEST_F(SoundLogTest, LiveElementsAreDescribedAfterwardsAndCutAt200Characters) {
  const TonnixAXElement element = accessibility_.addElement(10);
  accessibility_.setAttribute(element, TonnixAXAttribute::role, QStringLiteral("AXMenu"));
  TonnixEvent event = applicationEvent(10);
  event.element = TonnixEventElement::unnamed(element);
  const auto& entry = [this]() -> const TonnixSoundLogEntry& {
    return log_.sections().front().entries.front();
  };
  log_.record(event, kStart - 1s);
  // Recording asks the application nothing; the description follows.
  EXPECT_FALSE(entry().elementDescription);
  QCoreApplication::processEvents();
  EXPECT_EQ(entry().elementDescription, "AXMenu");

  std::optional<QString> description = QString(250, QChar('x'));
  log_.setNameElement([&](const TonnixAXElement&) { return description; });
  log_.record(event, kStart + 2s);
  QCoreApplication::processEvents();
  EXPECT_EQ(entry().elementDescription, QString(200, QChar('x')));

  // An element that can no longer be named keeps the old text and date.
  description.reset();
  log_.record(event, kStart + 7s);
  QCoreApplication::processEvents();
  EXPECT_EQ(entry().elementDescription->size(), 200);
  EXPECT_EQ(entry().elementNamedDate, kStart + 2s);
}

}  // namespace

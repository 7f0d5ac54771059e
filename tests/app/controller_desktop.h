#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>

#include "app/fake/fake_desktop_session.h"
#include "catalogue/catalogue.h"
#include "event_loop.h"

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* stream) {
  *stream << '"' << text.toStdString() << '"';
}

namespace controller_test {

inline const std::string setIdentifier = "org.tonnix.tonnixset.test";

// The fake desktop session with a set, the baseline, that plays every
// catalogue sound except those the test leaves out, and the controller's
// monitor lines captured.
struct ControllerDesktop : TonnixFakeDesktopSession {
  explicit ControllerDesktop(const std::set<TonnixSoundID>& missing = {}, bool installsSet = true) {
    if (installsSet) {
      EXPECT_TRUE(writeSet(setIdentifier, "Test", missing));
    }
    assignments.setBaselineIdentifier(setIdentifier);
  }

  // Every registration on the process's element is refused, as when
  // accessibility access is denied.
  void denyRegistrations(std::int32_t pid) {
    const auto element = accessibility.applicationElement(pid);
    for (const auto& mapping : allNotificationMappings()) {
      accessibility.failRegistration(element, mapping.notification.rawValue,
                                     TonnixAXError::apiDisabled);
    }
  }

  // The session's controller, its monitor lines captured from the start.
  TonnixController& controller() {
    if (!captures_) {
      captures_ = true;
      auto& made = TonnixFakeDesktopSession::controller();
      QObject::connect(&made.dispatcher(), &TonnixEventDispatcher::monitorLine,
                       [this](const QString& line) { monitorLines.append(line); });
    }
    return TonnixFakeDesktopSession::controller();
  }

  // The sounds the output started, in order, as their four characters.
  QStringList played() const {
    QStringList codes;
    for (const auto& call : audio.plays()) {
      const auto& entries = allEntries();
      const auto entry = std::find_if(entries.begin(), entries.end(), [&](const auto& candidate) {
        return candidate.fileName == call.file.filename().string();
      });
      if (entry != entries.end())
        codes.append(QString::fromStdString(entry->soundID.description()));
    }
    return codes;
  }

  QStringList monitorLines;

 private:
  bool captures_ = false;
};

}  // namespace controller_test

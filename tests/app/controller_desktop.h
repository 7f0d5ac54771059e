#pragma once

#include <gtest/gtest.h>

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
// console and plays captured.
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

  // The session's controller, its console and plays captured from the start.
  TonnixController& controller() {
    if (!captures_) {
      captures_ = true;
      auto& made = TonnixFakeDesktopSession::controller();
      made.setConsole([this](const QString& line) { console.append(line); });
      made.player().setOnPlay([this](TonnixSoundID soundID) {
        played.append(QString::fromStdString(soundID.description()));
      });
    }
    return TonnixFakeDesktopSession::controller();
  }

  QStringList console;
  // The sounds the player started, in order, as their four characters.
  QStringList played;

 private:
  bool captures_ = false;
};

}  // namespace controller_test

#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/accessibility.h"
#include "platform/workspace.h"

// What a press landed on where the desktop keeps the pointer's position to
// itself (Wayland): the control the application announces right after it.
// Toolkits focus a button or check box as it is pressed, and check or
// uncheck it as it is released; so the element that the application owning
// the focused window announces as focused, or as changed in value (checked,
// moved), within `window` of the press is the one pressed. A press held
// longer waits for its release and another `window` from then, since a
// toolkit checks a check box only on the release. Main thread only.
//
// Every running application (but Tonnix) is observed for those
// announcements and for its windows gaining focus, while started.
class TonnixFocusCorrelator : public QObject {
  Q_OBJECT

 public:
  // How long a press waits for its control, or a release for the control
  // of a press still waiting. Applications announce a focus or a check
  // within a few milliseconds; a press on no control waits the whole time
  // (and its hold) before its generic click.
  static constexpr std::chrono::milliseconds window{60};

  // `accessibility` and `workspace` must outlive the correlator.
  TonnixFocusCorrelator(TonnixAccessibility& accessibility, TonnixWorkspace& workspace,
                        std::int32_t hostProcessIdentifier, QObject* parent = nullptr);
  ~TonnixFocusCorrelator() override;

  // Observes the running applications, and those launched later.
  void start();
  // Forgets them, and any waiting press.
  void stop();

  void press();
  void release();
  bool isWaiting() const { return waiting_; }

 signals:
  // The waiting press ended: on the announced element, or on nothing when
  // the window passed. `processIdentifier` is the element's application,
  // or the one owning the focused window.
  void identified(const std::optional<TonnixAXElement>& element, std::int32_t processIdentifier);

 private:
  void observe(std::int32_t processIdentifier);
  void announced(std::int32_t processIdentifier, const TonnixAXElement& element,
                 const QString& notification);
  void finish(const std::optional<TonnixAXElement>& element, std::int32_t processIdentifier);

  TonnixAccessibility& accessibility_;
  TonnixWorkspace& workspace_;
  std::int32_t hostProcessIdentifier_;
  std::map<std::int32_t, std::unique_ptr<TonnixAXObserver>> observers_;
  QTimer deadline_;
  // The application owning the focused window, as last announced (0 when
  // none has been).
  std::int32_t activeProcess_ = 0;
  std::optional<TonnixAXElement> focusedWindow_;
  bool waiting_ = false;
  bool held_ = false;
  bool started_ = false;
};

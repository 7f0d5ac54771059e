#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <map>
#include <optional>

// The left-button events a global monitor can watch; the pointer coming to
// rest with the button up (still for a few milliseconds after moving), told
// once per rest; and the pointer starting to move with the button up, told
// once per rest too, with no location.
enum class TonnixMouseEventKind {
  leftMouseDown,
  leftMouseDragged,
  leftMouseUp,
  pointerRested,
  pointerMoved,
};

// Global monitoring of the left mouse button in other applications' windows.
// Whoever wants a kind of event watches it and connects to `occurred`,
// which is emitted on the main thread with the pointer location in global
// screen coordinates, the origin at the top left of the primary screen.
// Main thread only.
class TonnixMouseMonitor : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

  // Starts watching one kind of event; false, and nothing watched, when the
  // desktop refuses (no input extension, no permission). Each watch is
  // undone by one unwatch: a kind stays watched while any watch of it
  // remains.
  bool watch(TonnixMouseEventKind kind);
  // Undoes one watch of the kind; harmless when it is not watched.
  void unwatch(TonnixMouseEventKind kind);
  bool isWatching(TonnixMouseEventKind kind) const { return watchers_.contains(kind); }
  bool isWatchingAnything() const { return !watchers_.empty(); }
  // False where the desktop keeps the pointer's position from other
  // programs (Wayland): the location told is then meaningless, and what a
  // press landed on must be learnt from what the application announces.
  virtual bool locatesPresses() const { return true; }
  // Why presses go unheard though the pointer devices are there (a Wayland
  // session that may not read them), as a sentence saying what grants
  // access; nothing while they are heard. Known once something is watched.
  const std::optional<QString>& accessProblem() const { return accessProblem_; }

 signals:
  // A watched kind of event happened.
  void occurred(TonnixMouseEventKind kind, QPointF location);
  void accessProblemChanged();

 protected:
  // The kind is about to be watched (isWatching already says so); false
  // when the desktop refuses it.
  virtual bool startWatching(TonnixMouseEventKind kind) = 0;
  // No watch of the kind remains.
  virtual void stopWatching(TonnixMouseEventKind kind) = 0;
  // Emits `occurred` when the kind is watched.
  void tell(TonnixMouseEventKind kind, QPointF location);
  void setAccessProblem(std::optional<QString> problem);

 private:
  std::map<TonnixMouseEventKind, int> watchers_;
  std::optional<QString> accessProblem_;
};

#include "platform/linux/atspi_window_parts.h"

#include <atspi/atspi.h>

#include <QHash>
#include <chrono>
#include <deque>

namespace {

// Objects looked at when the toolkit has no collection interface, and the
// time the whole search may take: a window with more is given up on (as
// having no default button) rather than holding up the press.
constexpr int walkLimit = 300;
constexpr std::chrono::milliseconds searchBudget(40);
// A window's answer is reused this long at most, and until anything
// changes (forgetAtspiDefaultButtons): a toolkit may move the default to
// the focused button without saying so.
constexpr std::chrono::milliseconds answerReuse(1000);

using Clock = std::chrono::steady_clock;

struct Answer {
  TonnixAtspiObjectRef button;
  Clock::time_point foundAt;
};

// Per window (bus name and path); main thread only, as every AT-SPI call.
QHash<QString, Answer>& answers() {
  static QHash<QString, Answer> known;
  return known;
}

struct MatchRule {
  MatchRule() {
    GArray* states = g_array_new(FALSE, FALSE, sizeof(AtspiStateType));
    const AtspiStateType isDefault = ATSPI_STATE_IS_DEFAULT;
    g_array_append_val(states, isDefault);
    AtspiStateSet* stateSet = atspi_state_set_new(states);
    g_array_free(states, TRUE);
    GArray* roles = g_array_new(FALSE, FALSE, sizeof(AtspiRole));
    const AtspiRole pushButton = ATSPI_ROLE_PUSH_BUTTON;
    g_array_append_val(roles, pushButton);
    rule = atspi_match_rule_new(stateSet, ATSPI_Collection_MATCH_ALL, nullptr,
                                ATSPI_Collection_MATCH_NONE, roles, ATSPI_Collection_MATCH_ANY,
                                nullptr, ATSPI_Collection_MATCH_NONE, FALSE);
    g_array_free(roles, TRUE);
    g_object_unref(stateSet);
  }
  ~MatchRule() { g_object_unref(rule); }
  MatchRule(const MatchRule&) = delete;
  MatchRule& operator=(const MatchRule&) = delete;

  AtspiMatchRule* rule = nullptr;
};

// Nothing when the toolkit has no collection interface.
std::optional<TonnixAXResult<TonnixAtspiObjectRef>> askCollection(
    TonnixAtspiConnection& connection, std::int32_t pid, const TonnixAtspiObjectRef& window) {
  static const MatchRule match;
  GArray* found = nullptr;
  const auto done = connection.call(pid, [&](GError** error) {
    found = atspi_collection_get_matches(ATSPI_COLLECTION(window.get()), match.rule,
                                         ATSPI_Collection_SORT_ORDER_CANONICAL, 1, TRUE, error);
  });
  if (!done) {
    if (done.error() == TonnixAXError::cannotComplete) return unexpected(done.error());
    return std::nullopt;
  }
  TonnixAtspiObjectRef button;
  if (found && found->len > 0)
    button = TonnixAtspiObjectRef(g_array_index(found, AtspiAccessible*, 0));
  if (found) {
    for (guint index = 0; index < found->len; ++index) {
      g_object_unref(g_array_index(found, AtspiAccessible*, index));
    }
    g_array_free(found, TRUE);
  }
  return button;
}

bool isDefaultButton(TonnixAtspiConnection& connection, std::int32_t pid,
                     const TonnixAtspiObjectRef& object) {
  bool result = false;
  // An application that does not answer has no default button here.
  (void)connection.call(pid, [&](GError** error) {
    if (atspi_accessible_get_role(object.get(), error) != ATSPI_ROLE_PUSH_BUTTON) return;
    AtspiStateSet* states = atspi_accessible_get_state_set(object.get());
    if (!states) return;
    result = atspi_state_set_contains(states, ATSPI_STATE_IS_DEFAULT);
    g_object_unref(states);
  });
  return result;
}

TonnixAXResult<TonnixAtspiObjectRef> walk(TonnixAtspiConnection& connection, std::int32_t pid,
                                          const TonnixAtspiObjectRef& window) {
  const auto deadline = Clock::now() + searchBudget;
  std::deque<TonnixAtspiObjectRef> queue{window};
  for (int visited = 0; visited < walkLimit && !queue.empty() && Clock::now() < deadline;
       ++visited) {
    const TonnixAtspiObjectRef object = std::move(queue.front());
    queue.pop_front();
    if (isDefaultButton(connection, pid, object)) return object;
    const auto listed =
        connection.visitChildren(pid, object, [&](const TonnixAtspiObjectRef& child) {
          queue.push_back(child);
          return true;
        });
    // An object that went away is passed over; an application that does
    // not answer ends the search.
    if (!listed && listed.error() == TonnixAXError::cannotComplete) {
      return unexpected(listed.error());
    }
  }
  return TonnixAtspiObjectRef();
}

}  // namespace

TonnixAXResult<TonnixAtspiObjectRef> findAtspiDefaultButton(TonnixAtspiConnection& connection,
                                                            std::int32_t processIdentifier,
                                                            const TonnixAtspiObjectRef& window) {
  const QString key = window.busName() + window.path();
  const auto now = Clock::now();
  if (const auto known = answers().constFind(key);
      known != answers().cend() && now - known->foundAt < answerReuse) {
    return known->button;
  }
  auto found = askCollection(connection, processIdentifier, window);
  if (!found) found = walk(connection, processIdentifier, window);
  if (!*found) return *found;
  // Windows come and go; a handful is all a press ever revisits.
  if (answers().size() >= 32) answers().clear();
  answers().insert(key, {**found, now});
  return *found;
}

void forgetAtspiDefaultButtons() {
  answers().clear();
}

std::optional<QString> atspiFrameButtonSubrole(const QString& name) {
  if (name == QLatin1String("Close")) return TonnixAXSubrole::closeButton;
  if (name == QLatin1String("Maximize") || name == QLatin1String("Restore") ||
      name == QLatin1String("Unmaximize")) {
    return TonnixAXSubrole::zoomButton;
  }
  if (name == QLatin1String("Minimize")) return TonnixAXSubrole::minimizeButton;
  return std::nullopt;
}

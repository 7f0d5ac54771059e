#include "atspi_tree.h"

#include <vector>

namespace tonnix_test {

TonnixAtspiObjectRef findAccessible(AtspiAccessible* root, const AccessibleTest& test,
                                    std::size_t limit) {
  std::vector<TonnixAtspiObjectRef> queue{TonnixAtspiObjectRef(root)};
  for (std::size_t index = 0; index < queue.size() && index < limit; ++index) {
    AtspiAccessible* object = queue[index].get();
    if (test(object)) return queue[index];
    const int count = atspi_accessible_get_child_count(object, nullptr);
    for (int child = 0; child < count; ++child) {
      if (auto next = TonnixAtspiObjectRef::adopt(
              atspi_accessible_get_child_at_index(object, child, nullptr))) {
        queue.push_back(std::move(next));
      }
    }
  }
  return {};
}

AccessibleTest withRole(AtspiRole role, const QString& name) {
  return [role, name](AtspiAccessible* object) {
    return atspi_accessible_get_role(object, nullptr) == role &&
           (name.isEmpty() || nameOf(object) == name);
  };
}

QString nameOf(AtspiAccessible* object) {
  gchar* name = atspi_accessible_get_name(object, nullptr);
  auto result = QString::fromUtf8(name);
  g_free(name);
  return result;
}

bool isShowing(AtspiAccessible* object) {
  AtspiStateSet* states = atspi_accessible_get_state_set(object);
  const bool showing = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
  if (states) g_object_unref(states);
  return showing;
}

QRect extentsOf(AtspiAccessible* object, AtspiCoordType type) {
  AtspiRect* rect = atspi_component_get_extents(ATSPI_COMPONENT(object), type, nullptr);
  if (!rect) return {};
  const QRect result(rect->x, rect->y, rect->width, rect->height);
  g_free(rect);
  return result;
}

}  // namespace tonnix_test

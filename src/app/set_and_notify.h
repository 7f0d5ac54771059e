#pragma once

#include <utility>

// Stores `value` in an observable field of `object` and emits the field's
// change signal, only when the value differs from the one held. True when
// it changed, for setters with more to do then.
template <typename Object, typename Field, typename Value>
bool setAndNotify(Object* object, Field& field, Value&& value, void (Object::*changed)()) {
  if (field == value) return false;
  field = std::forward<Value>(value);
  emit(object->*changed)();
  return true;
}

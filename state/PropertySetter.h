#pragma once

namespace lumeno {

// The setter of an observable field: stores the value, then emits the field's change signal,
// and does neither when the value is the one already held.
template <typename Object, typename T, typename Signal>
void assignProperty(Object *object, T &field, const T &value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    emit(object->*changed)();
}

} // namespace lumeno

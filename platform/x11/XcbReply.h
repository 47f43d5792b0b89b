#pragma once

#include <cstdlib>
#include <memory>

namespace lumeno {

// A reply, error or keycode list that xcb hands over: the caller owns it and frees it with free().
template <typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

// Takes ownership of what xcb returned; a null pointer (no reply) is held as empty.
template <typename T> XcbReply<T> holdReply(T *reply)
{
    return XcbReply<T>(reply, &std::free);
}

} // namespace lumeno

#pragma once

#include <QString>
#include <variant>

namespace lumeno {

// Why the server will not recognise a request, in words a user can act on. It travels back as
// the "message" of a reply whose "status" is 429.
struct Refusal
{
    QString message;
};

template <typename T> using OrRefusal = std::variant<T, Refusal>;

} // namespace lumeno

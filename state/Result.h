#pragma once

#include <QString>

namespace lumeno {

// The outcome of an operation that can fail: callers get the reason, never a bare bool.
struct Result
{
    bool ok = true;
    QString why;

    static Result success() { return {}; }
    static Result failure(QString reason) { return {false, std::move(reason)}; }
    explicit operator bool() const { return ok; }
};

} // namespace lumeno

#pragma once

#include <QString>

namespace lumeno {

// Writes one plain line to standard output and flushes it, so that a reader of the program's
// output (a terminal, a test) sees it at once. The line must not hold an address, a key or a
// secret.
void printLine(const QString &line);

} // namespace lumeno

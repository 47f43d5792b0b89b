#pragma once

#include <QString>

namespace lumeno {

// The MD5 digest (RFC 1321) of the text's UTF-8 bytes as 32 hexadecimal digits, lower-case for
// mode 0 and upper-case for mode 1. The empty text has no digest: a warning line is printed and
// the empty text returned.
QString md5Hex(int mode, const QString &text);

} // namespace lumeno

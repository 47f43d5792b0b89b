#include "Md5.h"

#include "StandardOutput.h"

#include <QCryptographicHash>

namespace lumeno {

QString md5Hex(int mode, const QString &text)
{
    if (text.isEmpty()) {
        printLine(
            QStringLiteral("⚠️⚠️⚠️md5加密无效的字符串⚠️⚠️⚠️"));
        return {};
    }
    const QString hex = QString::fromLatin1(
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Md5).toHex());
    return mode == 1 ? hex.toUpper() : hex;
}

} // namespace lumeno

#include "LocalizedText.h"

#include <QCoreApplication>

namespace lumeno {

QString makeLocalizedText(const char *literal)
{
    return QCoreApplication::translate("Preferences", literal);
}

} // namespace lumeno

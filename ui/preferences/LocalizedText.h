#pragma once

#include <QString>

namespace lumeno {

// The label function of the preference pages: the literal is a translatable key, shown exactly
// as it stands where no translation exists.
QString makeLocalizedText(const char *literal);

} // namespace lumeno

#pragma once

#include "Result.h"

#include <QString>

namespace lumeno {

// The folder that holds the settings files: $LUMENO_CONFIG_DIR when set (tests use a temporary
// one), else $XDG_CONFIG_HOME/lumeno-ocr.
QString configDirectory();

// Creates the folder with mode 0700 when missing: the files in it hold the user's API key.
Result ensureConfigDirectory(const QString &path);

} // namespace lumeno

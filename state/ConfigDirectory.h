#pragma once

#include "Result.h"

#include <QString>

namespace lumeno {

// The folder that holds the settings files: $LUMENO_CONFIG_DIR when set (tests use a temporary
// one), else $XDG_CONFIG_HOME/lumeno-ocr.
QString configDirectory();

// Makes the folder when it is missing, every missing level with mode 0700: the files in it hold
// the user's API key. A folder that exists is left exactly as it is.
Result ensureConfigDirectory(const QString &path);

// A failure naming the problem when an existing folder can be read by other users; success
// otherwise, also when the folder does not exist yet.
Result checkConfigDirectoryPrivate(const QString &path);

} // namespace lumeno

#pragma once

#include "Refusal.h"

#include <QByteArray>
#include <QString>

namespace lumeno {

// A recognition request as the clients send it: {"imageBase64": ..., "languageIndex": ...}.
struct OcrRequest
{
    QByteArray image; // the decoded Base64, not yet known to be an image
    QString languageIndex;

    // With languageRequired false a missing or null "languageIndex" reads as the empty code.
    static OrRefusal<OcrRequest> parse(const QByteArray &body, bool languageRequired);
};

} // namespace lumeno

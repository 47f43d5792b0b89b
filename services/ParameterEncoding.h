#pragma once

#include <QByteArray>
#include <QVariantMap>

namespace lumeno::ParameterEncoding {

// Compact JSON text (no line breaks, no indentation) of the parameters as one object.
QByteArray jsonBody(const QVariantMap &parameters);

// key=value pairs joined by "&", keys in ascending order; keys and values are UTF-8 and
// percent-escaped so that only ASCII letters, digits and - . _ ~ / ? stay as they are (a blank
// is %20). Values are taken as their text.
QByteArray formEncoded(const QVariantMap &parameters);

} // namespace lumeno::ParameterEncoding

// libFuzzer entry over everything a request body goes through before the engine: JSON, Base64,
// language lookup, image header check, decoding and preparation.
//
// The first byte chooses how the rest is used: bit 0 asks for "languageIndex" (the
// GetBaiduOcrTextNew path), bit 1 wraps the rest as the Base64 image of a well-formed request so
// the decoder sees the fuzzed bytes directly.

#include "RequestReader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstddef>
#include <cstdint>

namespace {

const lumeno::RequestReader &reader()
{
    // Smaller image limits than the server's keep each run fast; the checks are the same.
    static const lumeno::RequestReader instance(
        lumeno::LanguageCatalog(lumeno::LanguageCatalog::locateTessdata(QString())),
        lumeno::ImageLimits{2000, 2'000'000});
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setMsgSeverity(L_SEVERITY_NONE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool languageRequired = data[0] & 1;
    QByteArray rest(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));
    if (data[0] & 2)
        rest = QJsonDocument(QJsonObject{{"imageBase64", QString::fromLatin1(rest.toBase64())},
                                         {"languageIndex", "ENG"}})
                   .toJson(QJsonDocument::Compact);
    (void)reader().read(rest, languageRequired);
    return 0;
}

#include "Endpoints.h"

#include "ConfigDirectory.h"
#include "StandardOutput.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumeno {

namespace {

// Only absolute http(s) addresses without query or fragment can be a base for the paths.
bool isUsableBase(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment();
}

void applyAddress(QUrl &target, const QString &text, const QString &origin)
{
    const QUrl url(text, QUrl::StrictMode);
    if (isUsableBase(url))
        target = url;
    else
        printLine(QStringLiteral("Ignoring %1: not an http or https base address").arg(origin));
}

void applyFile(Endpoints &endpoints, const QString &filePath)
{
    QFile file(filePath);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        printLine(QStringLiteral("Ignoring the endpoints file: it cannot be read"));
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        printLine(QStringLiteral("Ignoring the endpoints file: it is not a JSON object"));
        return;
    }
    const QJsonObject object = document.object();
    const std::pair<const char *, QUrl *> addresses[] = {{"ocrServerURL", &endpoints.ocrServer},
                                                         {"visionURL", &endpoints.vision},
                                                         {"translateURL", &endpoints.translate}};
    for (const auto &[key, target] : addresses) {
        const QJsonValue value = object.value(QLatin1String(key));
        if (value.isUndefined())
            continue;
        applyAddress(*target, value.toString(),
                     QStringLiteral("\"%1\" of the endpoints file").arg(QLatin1String(key)));
    }
    const QJsonValue road = object.value(QLatin1String("googleRoad"));
    if (road == QLatin1String("vision"))
        endpoints.googleRoad = GoogleRoad::vision;
    else if (road == QLatin1String("server"))
        endpoints.googleRoad = GoogleRoad::server;
    else if (!road.isUndefined())
        printLine(QStringLiteral("Ignoring \"googleRoad\" of the endpoints file: it is neither "
                                 "\"vision\" nor \"server\""));
}

} // namespace

Endpoints Endpoints::load()
{
    return load(configDirectory() + QStringLiteral("/endpoints.json"),
                QProcessEnvironment::systemEnvironment());
}

Endpoints Endpoints::load(const QString &filePath, const QProcessEnvironment &environment)
{
    Endpoints endpoints;
    applyFile(endpoints, filePath);
    const std::pair<const char *, QUrl *> overrides[] = {
        {"LUMENO_OCR_SERVER_URL", &endpoints.ocrServer},
        {"LUMENO_VISION_URL", &endpoints.vision},
        {"LUMENO_TRANSLATE_URL", &endpoints.translate}};
    for (const auto &[name, target] : overrides) {
        const QString value = environment.value(QLatin1String(name));
        if (!value.isEmpty())
            applyAddress(*target, value, QLatin1String(name));
    }
    return endpoints;
}

QUrl serviceAddress(const QUrl &base, const QString &servicePath)
{
    QUrl url = base;
    QString prefix = url.path();
    while (prefix.endsWith(QLatin1Char('/')))
        prefix.chop(1);
    url.setPath(prefix + servicePath);
    return url;
}

QUrl makerServerBaseUrl()
{
    return Endpoints::load().ocrServer;
}

} // namespace lumeno

#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QUrl>

namespace lumeno {

// Which service the Google engine asks for text detection.
enum class GoogleRoad
{
    vision, // Google Cloud Vision with the user's own API key
    server, // the maker's OCR server
};

// Base addresses (scheme, host, port and an optional path prefix) of the remote services. They
// come from endpoints.json in the settings folder, e.g.
//   {"ocrServerURL": "http://10.0.0.5:18765", "visionURL": "https://vision.googleapis.com",
//    "translateURL": "https://fanyi-api.baidu.com", "googleRoad": "server"}
// and the environment variables LUMENO_OCR_SERVER_URL, LUMENO_VISION_URL and
// LUMENO_TRANSLATE_URL, which win over the file. Missing or unusable entries keep the defaults.
struct Endpoints
{
    QUrl ocrServer{QStringLiteral("http://127.0.0.1:18765")};
    QUrl vision{QStringLiteral("https://vision.googleapis.com")};
    QUrl translate{QStringLiteral("https://fanyi-api.baidu.com")};
    GoogleRoad googleRoad = GoogleRoad::vision;

    // The endpoints the program uses now: configDirectory()/endpoints.json and the process
    // environment. Read anew on each call, so an edit takes effect at the next request.
    static Endpoints load();
    // The same from an explicit file and environment. Prints one line for a file that cannot be
    // read and for each unusable entry, naming the entry, never its value.
    static Endpoints load(const QString &filePath, const QProcessEnvironment &environment);
};

// The base address followed by the fixed path of a service (starting with "/"), without a
// doubled slash when the base carries a path prefix.
QUrl serviceAddress(const QUrl &base, const QString &servicePath);

// The effective base address of the maker's OCR server: the tray program starts its embedded
// server when this is the default loopback address and nothing answers there.
QUrl makerServerBaseUrl();

} // namespace lumeno

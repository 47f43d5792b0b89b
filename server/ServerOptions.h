#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lumeno {

struct ServerOptions
{
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 18765;
    unsigned workers = 0; // 0: one per core
    unsigned queue = 0;   // jobs waiting beyond the running ones; set from workers when not given
    QString tessdata;     // empty: located by LanguageCatalog

    // The outcome of reading a command line: options to run with, or text to print and an exit
    // code (for --help, --version and mistakes).
    struct Parsed
    {
        std::optional<ServerOptions> options;
        QString text;
        int exitCode = 0;
    };
    static Parsed parse(const QStringList &arguments);
};

} // namespace lumeno

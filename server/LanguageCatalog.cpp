#include "LanguageCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace lumeno {

namespace {

struct CodeModels
{
    const char *code;
    const char *models;
};

// Every code of the clients' menus, old and new pairings alike.
constexpr std::array kCodes{
    CodeModels{"CHN_ENG", "chi_sim+eng"},
    CodeModels{"ENG", "eng"},
    CodeModels{"JAP", "jpn"},
    CodeModels{"KOR", "kor"},
    CodeModels{"FRE", "fra"},
    CodeModels{"SPA", "spa"},
    CodeModels{"THA", "tha"},
    CodeModels{"ARA", "ara"},
    CodeModels{"RUS", "rus"},
    CodeModels{"POR", "por"},
    CodeModels{"GER", "deu"},
    CodeModels{"ITA", "ita"},
    CodeModels{"GRE", "ell"},
    CodeModels{"DUT", "nld"},
    CodeModels{"POL", "pol"},
    CodeModels{"BUL", "bul"},
    CodeModels{"EST", "est"},
    CodeModels{"DAN", "dan"},
    CodeModels{"FIN", "fin"},
    CodeModels{"CZE", "ces"},
    CodeModels{"ROM", "ron"},
    CodeModels{"SLO", "slv"},
    CodeModels{"SWE", "swe"},
    CodeModels{"HUN", "hun"},
    CodeModels{"CHN_TRA", "chi_tra+eng"},
    CodeModels{"VIE", "vie"},
};

} // namespace

LanguageCatalog::LanguageCatalog(QString tessdataDirectory)
    : m_tessdata(std::move(tessdataDirectory))
{
}

QString LanguageCatalog::locateTessdata(const QString &requested)
{
    if (!requested.isEmpty())
        return requested;
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return prefix;
    for (const char *candidate :
         {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata"})
        if (QFileInfo(QString::fromLatin1(candidate)).isDir())
            return QString::fromLatin1(candidate);
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

bool LanguageCatalog::hasModel(const QString &model) const
{
    return QFileInfo(QDir(m_tessdata).filePath(model + QStringLiteral(".traineddata"))).isFile();
}

QString LanguageCatalog::debianPackage(const QString &model)
{
    return QStringLiteral("tesseract-ocr-") + QString(model).replace('_', '-');
}

QString LanguageCatalog::automaticModels() const
{
    // English alone: every model added to a Tesseract language list costs time on every word,
    // and screen text without a chosen language is Latin script far more often than not.
    return QStringLiteral("eng");
}

OrRefusal<QString> LanguageCatalog::modelsFor(const QString &code) const
{
    QString models;
    if (code.isEmpty()) {
        models = automaticModels();
    } else {
        const auto *found = std::find_if(kCodes.begin(), kCodes.end(), [&](const CodeModels &c) {
            return code == QLatin1String(c.code);
        });
        if (found == kCodes.end())
            return Refusal{QStringLiteral("The language code \"%1\" is unknown. Choose a language "
                                          "from the OCR Language list and try again.")
                               .arg(code.left(32))};
        models = QString::fromLatin1(found->models);
    }
    QStringList packages;
    for (const QString &model : models.split('+'))
        if (!hasModel(model))
            packages << debianPackage(model);
    if (!packages.isEmpty())
        return Refusal{QStringLiteral("The language pack for %1 is not installed on the OCR "
                                      "server. Ask its administrator to install the Debian "
                                      "package %2.")
                           .arg(code.isEmpty() ? QStringLiteral("automatic recognition") : code,
                                packages.join(QStringLiteral(" and ")))};
    return models;
}

LanguageCatalog::Writing LanguageCatalog::writingOf(const QString &models)
{
    // The first model is the text's own script; "+eng" only helps with Latin words inside it.
    const QString main = models.section(QLatin1Char('+'), 0, 0);
    Writing writing;
    writing.rightToLeft = main == QLatin1String("ara");
    writing.spacedWords = !QStringList{QStringLiteral("chi_sim"), QStringLiteral("chi_tra"),
                                       QStringLiteral("jpn"), QStringLiteral("tha")}
                               .contains(main);
    return writing;
}

QStringList LanguageCatalog::knownCodes()
{
    QStringList codes;
    for (const CodeModels &c : kCodes)
        codes << QString::fromLatin1(c.code);
    return codes;
}

QStringList LanguageCatalog::missingLanguages() const
{
    QStringList missing;
    for (const CodeModels &c : kCodes) {
        QStringList packages;
        for (const QString &model : QString::fromLatin1(c.models).split('+'))
            if (!hasModel(model))
                packages << debianPackage(model);
        if (!packages.isEmpty())
            missing << QStringLiteral("%1 (%2)").arg(QLatin1String(c.code), packages.join(", "));
    }
    return missing;
}

} // namespace lumeno

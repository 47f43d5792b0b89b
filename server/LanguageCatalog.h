#pragma once

#include "Refusal.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace lumeno {

// Maps the OCR codes clients send as "languageIndex" to Tesseract models ("chi_sim+eng") and
// knows which of those models the tessdata folder holds.
class LanguageCatalog
{
public:
    explicit LanguageCatalog(QString tessdataDirectory);

    // The folder to load models from: the one asked for, else $TESSDATA_PREFIX, else Debian's.
    static QString locateTessdata(const QString &requested);

    const QString &tessdataDirectory() const { return m_tessdata; }
    // The models for a code; the empty code means no chosen language.
    OrRefusal<QString> modelsFor(const QString &code) const;
    // The models used when the client chose no language: those suited to screen text.
    QString automaticModels() const;
    // Every code a client may send, in a stable order.
    static QStringList knownCodes();
    // One entry per known code whose models are missing: "JAP (tesseract-ocr-jpn)".
    QStringList missingLanguages() const;
    bool hasModel(const QString &model) const;

    static QString debianPackage(const QString &model);

    // How the text of a model list is written.
    struct Writing
    {
        bool rightToLeft = false;
        // Words are set apart by spaces (not so in Chinese, Japanese or Thai).
        bool spacedWords = true;
    };
    static Writing writingOf(const QString &models);

private:
    QString m_tessdata;
};

} // namespace lumeno

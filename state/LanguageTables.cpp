#include "LanguageTables.h"

namespace lumeno::LanguageTables {

const QStringList &languageCodeArray()
{
    static const QStringList codes{"CHN_ENG", "ENG", "JAP", "KOR", "FRE",     "SPA", "POR",
                                   "GER",     "ITA", "RUS", "POR", "GER",     "ITA", "GRE",
                                   "DUT",     "POL", "BUL", "EST", "DAN",     "FIN", "CZE",
                                   "ROM",     "SLO", "SWE", "HUN", "CHN_TRA", "VIE"};
    return codes;
}

const QStringList &translateTargetArray()
{
    static const QStringList codes{"zh",  "en", "jp",  "kor", "fra", "spa", "th",  "ara", "ru",
                                   "pt",  "de", "it",  "el",  "nl",  "pl",  "bul", "est", "dan",
                                   "fin", "cs", "rom", "slo", "swe", "hu",  "cht", "vie"};
    return codes;
}

const QStringList &languageArray()
{
    static const QStringList names{"Chinese-Simplified",
                                   "English",
                                   "Japanese",
                                   "Korean",
                                   "French",
                                   "Spanish",
                                   "Thailand",
                                   "Arabic",
                                   "Russian",
                                   "Portuguese",
                                   "German ",
                                   "Italian",
                                   "Greek",
                                   "Dutch",
                                   "Polish",
                                   "Bulgarian",
                                   "Estonian",
                                   "Danish",
                                   "Finnish",
                                   "Czech",
                                   "Romanian",
                                   "Slovenian",
                                   "Swedish",
                                   "Hungarian",
                                   "Chinese-Traditional ",
                                   "Vietnamese"};
    return names;
}

const QStringList &ocrCodeForLanguage()
{
    // Thai and Arabic have no code in the historic list; THA and ARA follow its pattern.
    static const QStringList codes{"CHN_ENG", "ENG", "JAP", "KOR",     "FRE", "SPA", "THA",
                                   "ARA",     "RUS", "POR", "GER",     "ITA", "GRE", "DUT",
                                   "POL",     "BUL", "EST", "DAN",     "FIN", "CZE", "ROM",
                                   "SLO",     "SWE", "HUN", "CHN_TRA", "VIE"};
    return codes;
}

} // namespace lumeno::LanguageTables

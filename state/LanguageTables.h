#pragma once

#include <QStringList>

namespace lumeno::LanguageTables {

// OCR codes in the order users' menus have always held them (27 entries; positions 6 and on do
// not line up with the display names, so menus must use ocrCodeForLanguage, not this list).
const QStringList &languageCodeArray();

// Translation target codes, paired by position with languageArray (26 entries).
const QStringList &translateTargetArray();

// Display names (26 entries). "German " and "Chinese-Traditional " keep their trailing blank:
// it is part of the stored text.
const QStringList &languageArray();

// The OCR code that belongs to each display name, by position in languageArray (26 entries).
// Every code here is one the maker's server understands.
const QStringList &ocrCodeForLanguage();

} // namespace lumeno::LanguageTables

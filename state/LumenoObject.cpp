#include "LumenoObject.h"

#include "LanguageTables.h"
#include "PropertySetter.h"
#include "Settings.h"
#include "UserDefaults.h"

namespace lumeno {

LumenoObject::LumenoObject(QObject *parent) : LumenoObject(UserDefaults::standard(), parent) {}

LumenoObject::LumenoObject(const UserDefaults &defaults, QObject *parent)
    : QObject(parent), m_selectedLanCode(load(defaults, Settings::LanguageCode)),
      m_selectedLanName(load(defaults, Settings::LanguageName)),
      m_selectedTranslateName(load(defaults, Settings::TranslateName)),
      m_translateTargetCode(load(defaults, Settings::TranslateCode)),
      m_hotKey(load(defaults, Settings::hotKey)),
      m_modifierFlags(load(defaults, Settings::ModifierFlags)),
      m_eventCharacters(load(defaults, Settings::eventCharacters)),
      m_keyCode(load(defaults, Settings::keyCode)),
      m_googleAPIKey(load(defaults, Settings::GoogleAPIKey))
{
}

const QStringList &LumenoObject::languageCodeArray() const
{
    return LanguageTables::languageCodeArray();
}
const QStringList &LumenoObject::translateTargetArray() const
{
    return LanguageTables::translateTargetArray();
}
const QStringList &LumenoObject::languageArray() const
{
    return LanguageTables::languageArray();
}

void LumenoObject::setSelectedLanCode(const QString &value)
{
    assignProperty(this, m_selectedLanCode, value, &LumenoObject::selectedLanCodeChanged);
}
void LumenoObject::setSelectedLanName(const QString &value)
{
    assignProperty(this, m_selectedLanName, value, &LumenoObject::selectedLanNameChanged);
}
void LumenoObject::setSelectedTranslateName(const QString &value)
{
    assignProperty(this, m_selectedTranslateName, value,
                   &LumenoObject::selectedTranslateNameChanged);
}
void LumenoObject::setTranslateTargetCode(const QString &value)
{
    assignProperty(this, m_translateTargetCode, value, &LumenoObject::translateTargetCodeChanged);
}
void LumenoObject::setWhetherToSavePNG(bool value)
{
    assignProperty(this, m_whetherToSavePNG, value, &LumenoObject::whetherToSavePNGChanged);
}
void LumenoObject::setWhetherToSavePDF(bool value)
{
    assignProperty(this, m_whetherToSavePDF, value, &LumenoObject::whetherToSavePDFChanged);
}
void LumenoObject::setSavePNGUrl(const QString &value)
{
    assignProperty(this, m_savePNGUrl, value, &LumenoObject::savePNGUrlChanged);
}
void LumenoObject::setSavePDFUrl(const QString &value)
{
    assignProperty(this, m_savePDFUrl, value, &LumenoObject::savePDFUrlChanged);
}
void LumenoObject::setOcrModeType(lumeno::OcrModeType value)
{
    assignProperty(this, m_ocrModeType, value, &LumenoObject::ocrModeTypeChanged);
}
void LumenoObject::setEditHotKey(bool value)
{
    assignProperty(this, m_editHotKey, value, &LumenoObject::editHotKeyChanged);
}
void LumenoObject::setHotKey(const QString &value)
{
    assignProperty(this, m_hotKey, value, &LumenoObject::hotKeyChanged);
}
void LumenoObject::setModifierFlags(quint64 value)
{
    assignProperty(this, m_modifierFlags, value, &LumenoObject::modifierFlagsChanged);
}
void LumenoObject::setEventCharacters(const QString &value)
{
    assignProperty(this, m_eventCharacters, value, &LumenoObject::eventCharactersChanged);
}
void LumenoObject::setKeyCode(quint32 value)
{
    assignProperty(this, m_keyCode, value, &LumenoObject::keyCodeChanged);
}
void LumenoObject::setGoogleAPIKey(const QString &value)
{
    assignProperty(this, m_googleAPIKey, value, &LumenoObject::googleAPIKeyChanged);
}
void LumenoObject::setCurrentHotKeyRef(std::optional<HotKeyRef> value)
{
    assignProperty(this, m_currentHotKeyRef, value, &LumenoObject::currentHotKeyRefChanged);
}

} // namespace lumeno

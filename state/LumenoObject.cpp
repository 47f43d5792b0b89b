#include "LumenoObject.h"

#include "LanguageTables.h"
#include "UserDefaults.h"
#include "UserDefaultsKeys.h"

#include <cmath>
#include <limits>

namespace lumeno {
namespace {

template <typename T, typename Signal>
void assign(LumenoObject *object, T &field, const T &value, Signal changed)
{
    if (field == value)
        return;
    field = value;
    emit(object->*changed)();
}

void loadText(const UserDefaults &defaults, const char *key, QString &field)
{
    if (const auto stored = defaults.stringForKey(QLatin1String(key)))
        field = *stored;
}

// A stored number that converts exactly to an unsigned integer of type T; nothing otherwise.
template <typename T> std::optional<T> exactUnsigned(const UserDefaults &defaults, const char *key)
{
    const auto stored = defaults.objectForKey(QLatin1String(key));
    if (!stored || !stored->isDouble())
        return std::nullopt;
    const QVariant number = stored->toVariant();
    if (number.typeId() == QMetaType::LongLong) {
        const qint64 whole = number.toLongLong();
        if (whole < 0 || static_cast<quint64>(whole) > std::numeric_limits<T>::max())
            return std::nullopt;
        return static_cast<T>(whole);
    }
    const double value = stored->toDouble();
    // 2^64 itself is exactly representable but does not fit; every double below it that is whole
    // does.
    if (!std::isfinite(value) || value < 0 || std::trunc(value) != value ||
        value >= std::ldexp(1.0, std::numeric_limits<T>::digits))
        return std::nullopt;
    return static_cast<T>(value);
}

} // namespace

LumenoObject::LumenoObject(QObject *parent) : LumenoObject(UserDefaults::standard(), parent) {}

LumenoObject::LumenoObject(const UserDefaults &defaults, QObject *parent) : QObject(parent)
{
    namespace Keys = UserDefaultsKeys;
    loadText(defaults, Keys::LanguageCode, m_selectedLanCode);
    loadText(defaults, Keys::LanguageName, m_selectedLanName);
    loadText(defaults, Keys::TranslateName, m_selectedTranslateName);
    loadText(defaults, Keys::TranslateCode, m_translateTargetCode);
    loadText(defaults, Keys::hotKey, m_hotKey);
    m_modifierFlags = exactUnsigned<quint64>(defaults, Keys::ModifierFlags).value_or(0);
    loadText(defaults, Keys::eventCharacters, m_eventCharacters);
    m_keyCode = exactUnsigned<quint32>(defaults, Keys::keyCode).value_or(14);
    loadText(defaults, Keys::GoogleAPIKey, m_googleAPIKey);
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
    assign(this, m_selectedLanCode, value, &LumenoObject::selectedLanCodeChanged);
}
void LumenoObject::setSelectedLanName(const QString &value)
{
    assign(this, m_selectedLanName, value, &LumenoObject::selectedLanNameChanged);
}
void LumenoObject::setSelectedTranslateName(const QString &value)
{
    assign(this, m_selectedTranslateName, value, &LumenoObject::selectedTranslateNameChanged);
}
void LumenoObject::setTranslateTargetCode(const QString &value)
{
    assign(this, m_translateTargetCode, value, &LumenoObject::translateTargetCodeChanged);
}
void LumenoObject::setWhetherToSavePNG(bool value)
{
    assign(this, m_whetherToSavePNG, value, &LumenoObject::whetherToSavePNGChanged);
}
void LumenoObject::setWhetherToSavePDF(bool value)
{
    assign(this, m_whetherToSavePDF, value, &LumenoObject::whetherToSavePDFChanged);
}
void LumenoObject::setSavePNGUrl(const QString &value)
{
    assign(this, m_savePNGUrl, value, &LumenoObject::savePNGUrlChanged);
}
void LumenoObject::setSavePDFUrl(const QString &value)
{
    assign(this, m_savePDFUrl, value, &LumenoObject::savePDFUrlChanged);
}
void LumenoObject::setOcrModeType(lumeno::OcrModeType value)
{
    assign(this, m_ocrModeType, value, &LumenoObject::ocrModeTypeChanged);
}
void LumenoObject::setEditHotKey(bool value)
{
    assign(this, m_editHotKey, value, &LumenoObject::editHotKeyChanged);
}
void LumenoObject::setHotKey(const QString &value)
{
    assign(this, m_hotKey, value, &LumenoObject::hotKeyChanged);
}
void LumenoObject::setModifierFlags(quint64 value)
{
    assign(this, m_modifierFlags, value, &LumenoObject::modifierFlagsChanged);
}
void LumenoObject::setEventCharacters(const QString &value)
{
    assign(this, m_eventCharacters, value, &LumenoObject::eventCharactersChanged);
}
void LumenoObject::setKeyCode(quint32 value)
{
    assign(this, m_keyCode, value, &LumenoObject::keyCodeChanged);
}
void LumenoObject::setGoogleAPIKey(const QString &value)
{
    assign(this, m_googleAPIKey, value, &LumenoObject::googleAPIKeyChanged);
}
void LumenoObject::setCurrentHotKeyRef(std::optional<HotKeyRef> value)
{
    assign(this, m_currentHotKeyRef, value, &LumenoObject::currentHotKeyRefChanged);
}

} // namespace lumeno

#pragma once

#include "OcrModeType.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

namespace lumeno {

class UserDefaults;

// Handle of the registered global hot key, as the hot-key service hands it out.
using HotKeyRef = quintptr;

// The observable settings every window shares. Each instance loads the stored settings when it
// is made; it never writes the store itself (the preferences do).
class LumenoObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString selectedLanCode READ selectedLanCode WRITE setSelectedLanCode NOTIFY
                   selectedLanCodeChanged)
    Q_PROPERTY(QString selectedLanName READ selectedLanName WRITE setSelectedLanName NOTIFY
                   selectedLanNameChanged)
    Q_PROPERTY(QString selectedTranslateName READ selectedTranslateName WRITE
                   setSelectedTranslateName NOTIFY selectedTranslateNameChanged)
    Q_PROPERTY(QString translateTargetCode READ translateTargetCode WRITE setTranslateTargetCode
                   NOTIFY translateTargetCodeChanged)
    Q_PROPERTY(bool whetherToSavePNG READ whetherToSavePNG WRITE setWhetherToSavePNG NOTIFY
                   whetherToSavePNGChanged)
    Q_PROPERTY(bool whetherToSavePDF READ whetherToSavePDF WRITE setWhetherToSavePDF NOTIFY
                   whetherToSavePDFChanged)
    Q_PROPERTY(QString savePNGUrl READ savePNGUrl WRITE setSavePNGUrl NOTIFY savePNGUrlChanged)
    Q_PROPERTY(QString savePDFUrl READ savePDFUrl WRITE setSavePDFUrl NOTIFY savePDFUrlChanged)
    Q_PROPERTY(lumeno::OcrModeType ocrModeType READ ocrModeType WRITE setOcrModeType NOTIFY
                   ocrModeTypeChanged)
    Q_PROPERTY(bool editHotKey READ editHotKey WRITE setEditHotKey NOTIFY editHotKeyChanged)
    Q_PROPERTY(QString hotKey READ hotKey WRITE setHotKey NOTIFY hotKeyChanged)
    Q_PROPERTY(
        quint64 modifierFlags READ modifierFlags WRITE setModifierFlags NOTIFY modifierFlagsChanged)
    Q_PROPERTY(QString eventCharacters READ eventCharacters WRITE setEventCharacters NOTIFY
                   eventCharactersChanged)
    Q_PROPERTY(quint32 keyCode READ keyCode WRITE setKeyCode NOTIFY keyCodeChanged)
    Q_PROPERTY(
        QString googleAPIKey READ googleAPIKey WRITE setGoogleAPIKey NOTIFY googleAPIKeyChanged)

public:
    // Reads the settings from the given store (the program's store by default).
    explicit LumenoObject(QObject *parent = nullptr);
    explicit LumenoObject(const UserDefaults &defaults, QObject *parent = nullptr);

    const QStringList &languageCodeArray() const;
    const QStringList &translateTargetArray() const;
    const QStringList &languageArray() const;

    QString selectedLanCode() const { return m_selectedLanCode; }
    QString selectedLanName() const { return m_selectedLanName; }
    QString selectedTranslateName() const { return m_selectedTranslateName; }
    QString translateTargetCode() const { return m_translateTargetCode; }
    bool whetherToSavePNG() const { return m_whetherToSavePNG; }
    bool whetherToSavePDF() const { return m_whetherToSavePDF; }
    QString savePNGUrl() const { return m_savePNGUrl; }
    QString savePDFUrl() const { return m_savePDFUrl; }
    lumeno::OcrModeType ocrModeType() const { return m_ocrModeType; }
    bool editHotKey() const { return m_editHotKey; }
    QString hotKey() const { return m_hotKey; }
    quint64 modifierFlags() const { return m_modifierFlags; }
    QString eventCharacters() const { return m_eventCharacters; }
    quint32 keyCode() const { return m_keyCode; }
    QString googleAPIKey() const { return m_googleAPIKey; }
    std::optional<HotKeyRef> currentHotKeyRef() const { return m_currentHotKeyRef; }

    void setSelectedLanCode(const QString &value);
    void setSelectedLanName(const QString &value);
    void setSelectedTranslateName(const QString &value);
    void setTranslateTargetCode(const QString &value);
    void setWhetherToSavePNG(bool value);
    void setWhetherToSavePDF(bool value);
    void setSavePNGUrl(const QString &value);
    void setSavePDFUrl(const QString &value);
    void setOcrModeType(lumeno::OcrModeType value);
    void setEditHotKey(bool value);
    void setHotKey(const QString &value);
    void setModifierFlags(quint64 value);
    void setEventCharacters(const QString &value);
    void setKeyCode(quint32 value);
    void setGoogleAPIKey(const QString &value);
    void setCurrentHotKeyRef(std::optional<HotKeyRef> value);

signals:
    void selectedLanCodeChanged();
    void selectedLanNameChanged();
    void selectedTranslateNameChanged();
    void translateTargetCodeChanged();
    void whetherToSavePNGChanged();
    void whetherToSavePDFChanged();
    void savePNGUrlChanged();
    void savePDFUrlChanged();
    void ocrModeTypeChanged();
    void editHotKeyChanged();
    void hotKeyChanged();
    void modifierFlagsChanged();
    void eventCharactersChanged();
    void keyCodeChanged();
    void googleAPIKeyChanged();
    void currentHotKeyRefChanged();

private:
    // Loaded from the store, by the settings table; the rest start fixed in every instance.
    QString m_selectedLanCode;
    QString m_selectedLanName;
    QString m_selectedTranslateName;
    QString m_translateTargetCode;
    bool m_whetherToSavePNG = false;
    bool m_whetherToSavePDF = false;
    QString m_savePNGUrl;
    QString m_savePDFUrl;
    lumeno::OcrModeType m_ocrModeType = OcrModeType::baidu;
    bool m_editHotKey = false;
    QString m_hotKey;
    quint64 m_modifierFlags;
    QString m_eventCharacters;
    quint32 m_keyCode;
    QString m_googleAPIKey;
    std::optional<HotKeyRef> m_currentHotKeyRef;
};

} // namespace lumeno

#pragma once

#include "LocalView.h"
#include "Result.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QPushButton;
class QTabWidget;

namespace lumeno {

class GlobalHotKey;
class LumenoObject;
class UserDefaults;

// What the preferences need besides the state object. All of it must outlive the window.
struct PreferenceServices
{
    // The store "OK" writes, and the one the working copies are read from.
    UserDefaults &defaults;
    // The recorder releases the global hot key through it.
    GlobalHotKey &hotKeyService;
    FolderChooser chooseFolder = askForFolder;
};

// The preferences window's content: six pages in a tab view and one "OK" that commits only the
// page on screen. The Local and GoogleAPI pages edit working copies that "OK" copies into the
// shared state object; the Shortcuts, Translate and OCR Language pages edit the shared object
// directly, so "OK" only makes their values last.
class PreferenceView : public QWidget
{
    Q_OBJECT

public:
    // The pages' tags, which are their positions in the tab view.
    enum Tab
    {
        General = 0,
        Shortcuts = 1,
        Local = 2,
        GoogleAPI = 3,
        Translate = 4,
        OCRLanguage = 5
    };
    static constexpr int kWidth = 550;
    static constexpr int kHeight = 300;
    static constexpr int kOkButtonWidth = 50;

    PreferenceView(bool savePngState, bool savePdfState, const QString &savePngPath,
                   const QString &savePdfPath, const QString &googleAPIKey,
                   LumenoObject &lumenoObject, bool showAlert, const QString &alertMessage,
                   const PreferenceServices &services, QWidget *parent = nullptr);

    int selectedTab() const;
    void setSelectedTab(int tag);
    LumenoObject &lumenoObject() const { return m_lumenoObject; }

    // The action of "OK". A setting that cannot be stored raises the alert with the reason and
    // keeps the window open instead of reporting success.
    void commitSelectedTab();

    bool showAlert() const { return m_showAlert; }
    void setShowAlert(bool show);
    QString alertMessage() const { return m_alertMessage; }
    void setAlertMessage(const QString &message);
    // The alert on screen, if any.
    QMessageBox *alert() const { return m_alert; }

    QTabWidget *tabView() const { return m_tabView; }
    QPushButton *okButton() const { return m_okButton; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Result commitLocal();
    Result commitGoogleApi();
    Result commitShortcuts();
    Result commitTranslate();
    Result commitLanguage();

    LumenoObject &m_lumenoObject;
    UserDefaults &m_defaults;
    QTabWidget *m_tabView;
    QPushButton *m_okButton;
    bool m_showAlert = false;
    QString m_alertMessage;
    QPointer<QMessageBox> m_alert;
};

} // namespace lumeno

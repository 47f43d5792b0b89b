#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace lumeno {

class LumenoObject;

// Asks the user for a folder; nothing when the user cancels. Tests answer it without a dialog.
using FolderChooser = std::function<std::optional<QString>(QWidget *parent)>;

// The folder dialog the program uses: an existing folder, or a new one made in the dialog.
std::optional<QString> askForFolder(QWidget *parent);

// One half of the "Local" page: the switch, the path field and the "..." button that saves every
// capture to one file. Its switch and path are working copies of the preferences window; the
// shared path is written at once only when a folder is chosen or the path is emptied.
class LocalSaveRow : public QObject
{
    Q_OBJECT

public:
    using SharedPathSetter = void (LumenoObject::*)(const QString &);

    // fileName is appended to a chosen folder as text ("/1.png"). The state object and the
    // chooser must outlive the row.
    LocalSaveRow(const QString &label, const QString &fileName, SharedPathSetter setSharedPath,
                 LumenoObject &lumenoObject, const FolderChooser &chooser, QWidget *page);
    // Sets the values the page opens with; the change handlers run only after this.
    void start(bool state, const QString &path);

    bool state() const;
    QString path() const;
    QCheckBox *stateSwitch() const { return m_switch; }
    QLineEdit *pathField() const { return m_field; }
    QPushButton *chooseButton() const { return m_choose; }

    // Run after every change of the switch, on and off alike.
    void clearPath();
    // Run after every change of the path, with the new text.
    void normalizePath(const QString &text);
    void chooseFolder();

private:
    QString m_fileName;
    SharedPathSetter m_setSharedPath;
    LumenoObject &m_lumenoObject;
    const FolderChooser &m_chooser;
    QCheckBox *m_switch;
    QLineEdit *m_field;
    QPushButton *m_choose;
};

// The "Local" page: saving every capture as an image file and as a one-page PDF.
class LocalView : public QWidget
{
    Q_OBJECT

public:
    LocalView(bool savePngState, bool savePdfState, const QString &savePngPath,
              const QString &savePdfPath, LumenoObject &lumenoObject, FolderChooser chooseFolder,
              QWidget *parent = nullptr);

    bool savePngState() const { return m_png->state(); }
    bool savePdfState() const { return m_pdf->state(); }
    QString savePngPath() const { return m_png->path(); }
    QString savePdfPath() const { return m_pdf->path(); }

    void clearPngPath() { m_png->clearPath(); }
    void clearPdfPath() { m_pdf->clearPath(); }
    void normalizePngPath(const QString &text) { m_png->normalizePath(text); }
    void normalizePdfPath(const QString &text) { m_pdf->normalizePath(text); }
    void choosePngFolder() { m_png->chooseFolder(); }
    void choosePdfFolder() { m_pdf->chooseFolder(); }

    LocalSaveRow *pngRow() const { return m_png; }
    LocalSaveRow *pdfRow() const { return m_pdf; }

private:
    LumenoObject &m_lumenoObject;
    FolderChooser m_chooseFolder;
    LocalSaveRow *m_png;
    LocalSaveRow *m_pdf;
};

} // namespace lumeno

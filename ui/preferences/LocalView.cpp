#include "LocalView.h"

#include "LocalizedText.h"
#include "LumenoObject.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumeno {

namespace {

constexpr int kLeadingPadding = 80;
constexpr int kFieldFrameWidth = 350;
constexpr int kSpacing = 20;
constexpr int kDividerPadding = 20;

} // namespace

std::optional<QString> askForFolder(QWidget *parent)
{
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, makeLocalizedText("OK"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

LocalSaveRow::LocalSaveRow(const QString &label, const QString &fileName,
                           SharedPathSetter setSharedPath, LumenoObject &lumenoObject,
                           const FolderChooser &chooser, QWidget *page)
    : QObject(page), m_fileName(fileName), m_setSharedPath(setSharedPath),
      m_lumenoObject(lumenoObject), m_chooser(chooser), m_switch(new QCheckBox(label, page)),
      m_field(new QLineEdit(page)), m_choose(new QPushButton(makeLocalizedText("..."), page))
{
    m_field->setPlaceholderText(makeLocalizedText(""));
    m_field->setFixedWidth(kFieldFrameWidth - kLeadingPadding);
}

void LocalSaveRow::start(bool state, const QString &path)
{
    m_switch->setChecked(state);
    m_field->setText(path);
    m_field->setEnabled(state);
    m_choose->setEnabled(state);
    // Connected only now: the handlers run on changes, never for the values the page opens with.
    connect(m_switch, &QCheckBox::toggled, this, [this](bool on) {
        m_field->setEnabled(on);
        m_choose->setEnabled(on);
        clearPath();
    });
    connect(m_field, &QLineEdit::textChanged, this, &LocalSaveRow::normalizePath);
    connect(m_choose, &QPushButton::clicked, this, &LocalSaveRow::chooseFolder);
}

bool LocalSaveRow::state() const
{
    return m_switch->isChecked();
}

QString LocalSaveRow::path() const
{
    return m_field->text();
}

void LocalSaveRow::clearPath()
{
    m_field->setText(QString());
    (m_lumenoObject.*m_setSharedPath)(QString());
}

void LocalSaveRow::normalizePath(const QString &text)
{
    // Qt's blanks are the platform's whitespace-and-newline set: Unicode separators and U+0009 to
    // U+000D and U+0085.
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        (m_lumenoObject.*m_setSharedPath)(QString());
        m_field->setText(QString());
    } else if (trimmed != m_field->text()) {
        // A typed path reaches the shared object only through "OK".
        m_field->setText(trimmed);
    }
}

void LocalSaveRow::chooseFolder()
{
    const std::optional<QString> folder = m_chooser(m_field->window());
    if (!folder)
        return;
    const QString path = *folder + m_fileName;
    (m_lumenoObject.*m_setSharedPath)(path);
    m_field->setText(path);
}

LocalView::LocalView(bool savePngState, bool savePdfState, const QString &savePngPath,
                     const QString &savePdfPath, LumenoObject &lumenoObject,
                     FolderChooser chooseFolder, QWidget *parent)
    : QWidget(parent), m_lumenoObject(lumenoObject), m_chooseFolder(std::move(chooseFolder)),
      m_png(new LocalSaveRow(makeLocalizedText("Save Screenshot As PNG"), QStringLiteral("/1.png"),
                             &LumenoObject::setSavePNGUrl, m_lumenoObject, m_chooseFolder, this)),
      m_pdf(new LocalSaveRow(makeLocalizedText("Save Screenshot As PDF"), QStringLiteral("/1.pdf"),
                             &LumenoObject::setSavePDFUrl, m_lumenoObject, m_chooseFolder, this))
{
    auto *content = new QVBoxLayout;
    content->setSpacing(kSpacing);
    auto addHalf = [&](LocalSaveRow *row) {
        auto *switchRow = new QHBoxLayout;
        switchRow->setContentsMargins(kLeadingPadding, 0, 0, 0);
        switchRow->addWidget(row->stateSwitch());
        switchRow->addStretch();
        auto *pathRow = new QHBoxLayout;
        pathRow->setContentsMargins(kLeadingPadding, 0, 0, 0);
        pathRow->addWidget(row->pathField());
        pathRow->addWidget(row->chooseButton());
        pathRow->addStretch();
        content->addLayout(switchRow);
        content->addLayout(pathRow);
    };
    addHalf(m_png);
    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    auto *dividerRow = new QHBoxLayout;
    dividerRow->setContentsMargins(kDividerPadding, 0, kDividerPadding, 0);
    dividerRow->addWidget(divider);
    content->addLayout(dividerRow);
    addHalf(m_pdf);

    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addLayout(content);
    page->addStretch();

    m_png->start(savePngState, savePngPath);
    m_pdf->start(savePdfState, savePdfPath);
}

} // namespace lumeno

#include "TextPane.h"

#include "CopyIcon.h"
#include "SystemColors.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

namespace lumeno {

namespace {

constexpr int kTitlePadding = 8;
constexpr int kBadgePadding = 6;
// Room between the badge and the editor's edges.
constexpr int kBadgeMargin = 8;
constexpr qreal kLineSpacing = 3;

QFont headlineFont(QFont font)
{
    font.setWeight(QFont::DemiBold);
    return font;
}

QString rgba(const QColor &c)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(c.red())
        .arg(c.green())
        .arg(c.blue())
        .arg(c.alphaF());
}

} // namespace

TextPane::TextPane(const QString &title, QWidget *parent)
    : QWidget(parent), m_editor(new QPlainTextEdit(this)), m_copyIcon(new CopyIcon(this)),
      m_badge(new QLabel(tr("Copied"), m_editor))
{
    const QFont headline = headlineFont(font());

    auto *titleLabel = new QLabel(title, this);
    titleLabel->setFont(headline);
    titleLabel->setContentsMargins(0, kTitlePadding, 0, kTitlePadding);
    m_copyIcon->setFont(headline);
    m_copyIcon->setTint(SystemColors::secondary(palette()));

    // A row of its own, so that it has the style's spacing: a layout nested in the pane's
    // zero-spaced column would take that zero and put the icon against the title.
    auto *headerRow = new QWidget(this);
    auto *header = new QHBoxLayout(headerRow);
    header->setContentsMargins(0, 0, 0, 0);
    header->addStretch();
    header->addWidget(titleLabel);
    header->addWidget(m_copyIcon);
    header->addStretch();

    m_editor->setFont(headline);
    m_editor->setFixedHeight(kEditorHeight);
    // No background is set on the text area: it keeps the palette's own text background, as a
    // platform text view draws over whatever lies behind it, for black text on the secondary grey
    // would be hard to read.
    m_editor->setFrameShape(QFrame::NoFrame);
    // The badge sits in the editor's corner, so it moves whenever the editor is resized.
    m_editor->installEventFilter(this);
    applyLineSpacing();

    m_badge->setStyleSheet(QStringLiteral("QLabel { padding: %1px; background: %2; }")
                               .arg(kBadgePadding)
                               .arg(rgba(SystemColors::secondary(palette(), 0.3))));
    m_badge->adjustSize();
    // A capsule: ends as round as the badge is high.
    m_badge->setStyleSheet(
        m_badge->styleSheet() +
        QStringLiteral(" QLabel { border-radius: %1px; }").arg(m_badge->height() / 2));
    m_badge->hide();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(headerRow);
    layout->addWidget(m_editor);

    connect(m_editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingText)
            emit textEdited(text());
    });
    connect(m_copyIcon, &CopyIcon::tapped, this, &TextPane::copy);
    connect(m_copyIcon, &CopyIcon::hovered, this, [this](bool inside) {
        if (!inside)
            setCopied(false);
    });
}

QString TextPane::text() const
{
    return m_editor->toPlainText();
}

void TextPane::setText(const QString &text)
{
    if (text == this->text())
        return;
    m_settingText = true;
    m_editor->setPlainText(text);
    applyLineSpacing();
    m_settingText = false;
}

void TextPane::copy()
{
    setCopied(!m_copied);
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text());
}

void TextPane::setCopied(bool copied)
{
    m_copied = copied;
    m_copyIcon->setTint(copied ? SystemColors::blue() : SystemColors::secondary(palette()));
    m_badge->setVisible(copied);
    if (copied)
        placeBadge();
}

void TextPane::placeBadge()
{
    m_badge->move(kBadgeMargin, m_editor->height() - m_badge->height() - kBadgeMargin);
    m_badge->raise();
}

bool TextPane::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor && event->type() == QEvent::Resize)
        placeBadge();
    return QWidget::eventFilter(watched, event);
}

void TextPane::applyLineSpacing()
{
    QTextBlockFormat format;
    format.setLineHeight(kLineSpacing, QTextBlockFormat::LineDistanceHeight);
    QTextCursor cursor(m_editor->document());
    cursor.select(QTextCursor::Document);
    // Formatting is not an edit: keep it out of the undo history and the change signal.
    const bool wasSetting = m_settingText;
    m_settingText = true;
    m_editor->document()->setUndoRedoEnabled(false);
    cursor.mergeBlockFormat(format);
    m_editor->document()->setUndoRedoEnabled(true);
    m_settingText = wasSetting;
}

} // namespace lumeno

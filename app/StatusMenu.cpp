#include "StatusMenu.h"

#include "CarbonModifiers.h"

#include <QAction>

namespace lumeno {

StatusMenu::StatusMenu(QWidget *parent) : QMenu(parent)
{
    m_capture = addAction(tr("Capture Screenshot"));
    m_preference = addAction(tr("Preference"));

    auto *modes = new QMenu(this);
    m_googleMode = modes->addAction(tr("Mode 1 (Powered by Google)"));
    m_googleMode->setData(kGoogleModeTag);
    m_baiduMode = modes->addAction(tr("Mode 2"));
    m_baiduMode->setData(kBaiduModeTag);
    // The engine starts as the maker's server at every launch.
    m_ocrModeItem = addMenu(modes);
    m_ocrModeItem->setText(tr("OCR Mode (Mode2)"));

    addSeparator();
    m_website = addAction(tr("Website"));
    m_rate = addAction(tr("Rate LMO"));
    m_about = addAction(tr("About"));
    addSeparator();
    m_quit = addAction(tr("Quit  Lumeno OCR"));
}

QKeySequence StatusMenu::keyEquivalent(const QString &hotKey, const QString &eventCharacters)
{
    const QKeySequence key(eventCharacters);
    if (eventCharacters.isEmpty() || key.isEmpty())
        return {};
    // The same mapping as the global grab: command is Control, control is Meta (Super).
    const quint32 mask = carbonModifiersFromShortcut(hotKey);
    Qt::KeyboardModifiers modifiers;
    if (mask & CarbonModifiers::cmdKey)
        modifiers |= Qt::ControlModifier;
    if (mask & CarbonModifiers::shiftKey)
        modifiers |= Qt::ShiftModifier;
    if (mask & CarbonModifiers::optionKey)
        modifiers |= Qt::AltModifier;
    if (mask & CarbonModifiers::controlKey)
        modifiers |= Qt::MetaModifier;
    return QKeySequence(QKeyCombination(modifiers, key[0].key()));
}

} // namespace lumeno

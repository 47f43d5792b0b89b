#include "StatusMenu.h"

#include "CarbonModifiers.h"

#include <QAction>
#include <QShortcut>

namespace lumeno {

StatusMenu::StatusMenu(QWidget *parent) : QMenu(parent), m_captureShortcut(new QShortcut(this))
{
    m_capture = addAction(tr("Capture Screenshot"));
    connect(m_captureShortcut, &QShortcut::activated, this, [this] {
        // As a click on the item would: the menu goes first, then the action runs.
        close();
        m_capture->trigger();
    });
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

void StatusMenu::setCaptureKeyEquivalent(const QString &eventCharacters)
{
    const QKeySequence key = keyEquivalent(eventCharacters);
    m_capture->setShortcut(key);
    m_captureShortcut->setKey(key);
}

QKeySequence StatusMenu::keyEquivalent(const QString &eventCharacters)
{
    const QKeySequence key(eventCharacters);
    if (eventCharacters.isEmpty() || key.isEmpty())
        return {};
    // A key name the recorder stored ("F5", "Esc", "Num+5") has capitals but no case of its own;
    // the keypad is part of the name.
    Qt::KeyboardModifiers modifiers =
        key[0].keyboardModifiers() | qtModifiersFromCarbon(CarbonModifiers::cmdKey);
    if (eventCharacters.size() == 1 && eventCharacters.front().isUpper())
        modifiers |= Qt::ShiftModifier;
    return QKeySequence(QKeyCombination(modifiers, key[0].key()));
}

} // namespace lumeno

#include "ShortcutsView.h"

#include "CarbonModifiers.h"
#include "GlobalHotKey.h"
#include "KeyEventMonitor.h"
#include "KeyPress.h"
#include "LocalizedText.h"
#include "LumenoObject.h"
#include "Settings.h"
#include "ShortcutKeyBox.h"
#include "StandardOutput.h"
#include "SystemColors.h"
#include "TextStyle.h"
#include "UserDefaults.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumeno {

namespace {

// The E key: what a shortcut without characters is registered for.
constexpr quint32 kKeyCodeWithoutCharacters = 14;

QString storedOrDefaultShortcut(const UserDefaults &defaults)
{
    // Not the state object's default: control-command-E.
    return load(defaults, Setting<QString>{Settings::hotKey.key, QStringLiteral("\u2303\u2318E")});
}

} // namespace

ShortcutsView::ShortcutsView(LumenoObject &lumenoObject, bool editHotKey,
                             GlobalHotKey &hotKeyService, const UserDefaults &defaults,
                             QWidget *parent)
    : QWidget(parent), m_capturedKey(storedOrDefaultShortcut(defaults)),
      m_lumenoObject(lumenoObject), m_editHotKey(editHotKey), m_hotKeyService(hotKeyService),
      m_keyBox(new ShortcutKeyBox([this] { startShortcutEditing(); }, this))
{
    auto *title = new QLabel(makeLocalizedText("Shortcuts for Screenshot"), this);
    title->setFont(textStyleFont(TextStyle::Title3, font()));

    auto *hint = new QLabel(
        makeLocalizedText("When LMO Window popup, you can press ESC key to hide it automatically"),
        this);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    QPalette secondary = hint->palette();
    secondary.setColor(QPalette::WindowText, SystemColors::secondary(palette()));
    hint->setPalette(secondary);

    auto *page = new QVBoxLayout(this);
    page->addStretch();
    page->addWidget(title, 0, Qt::AlignHCenter);
    page->addWidget(m_keyBox, 0, Qt::AlignHCenter);
    page->addWidget(hint);
    page->addStretch();

    connect(&lumenoObject, &LumenoObject::editHotKeyChanged, this, &ShortcutsView::updateKeyBox);
    connect(&lumenoObject, &LumenoObject::hotKeyChanged, this, &ShortcutsView::updateKeyBox);
    connect(m_keyBox->backButton(), &QPushButton::clicked, this, &ShortcutsView::restoreShortcut);
    connect(m_keyBox->clearButton(), &QPushButton::clicked, this, &ShortcutsView::clearShortcut);
    updateKeyBox();
}

ShortcutsView::~ShortcutsView() = default;

void ShortcutsView::updateKeyBox()
{
    const bool recording = m_lumenoObject.editHotKey();
    const QString hotKey = m_lumenoObject.hotKey();
    m_keyBox->display(recording && hotKey.isEmpty() ? QStringLiteral("Type something") : hotKey,
                      recording);
}

void ShortcutsView::startShortcutEditing()
{
    m_lumenoObject.setEditHotKey(!m_lumenoObject.editHotKey());
    if (!m_lumenoObject.editHotKey())
        return;
    m_lumenoObject.setHotKey(QString());
    // The key being recorded must reach this window, and the old one must stop capturing.
    if (const auto ref = m_lumenoObject.currentHotKeyRef()) {
        m_hotKeyService.unregisterHotKey(*ref);
        m_lumenoObject.setCurrentHotKeyRef(std::nullopt);
    }
}

void ShortcutsView::restoreShortcut()
{
    m_lumenoObject.setEditHotKey(false);
    m_lumenoObject.setHotKey(m_capturedKey);
}

void ShortcutsView::clearShortcut()
{
    m_lumenoObject.setHotKey(QString());
}

void ShortcutsView::installShortcutMonitor()
{
    if (!m_eventMonitor)
        m_eventMonitor = new KeyEventMonitor(
            [this](const QKeyEvent &event, const QWindow &) { handleShortcutEvent(event); }, this);
    m_eventMonitor->install();
}

void ShortcutsView::removeShortcutMonitor()
{
    if (m_eventMonitor)
        m_eventMonitor->remove();
}

bool ShortcutsView::isMonitorInstalled() const
{
    return m_eventMonitor && m_eventMonitor->isInstalled();
}

void ShortcutsView::handleShortcutEvent(const QKeyEvent &event)
{
    if (!m_lumenoObject.editHotKey() || event.type() != QEvent::KeyPress)
        return;
    const KeyPress press = readKeyPress(event);
    // A modifier on its own only changes the flags; the shortcut's key is still to come.
    if (press.modifierOnly)
        return;
    const QString text = makeShortcutText(press);
    m_lumenoObject.setHotKey(text);
    m_capturedKey = text;
    m_lumenoObject.setEditHotKey(false);
}

QString ShortcutsView::makeShortcutText(const KeyPress &press)
{
    const std::optional<QString> characters =
        press.key ? VirtualKeyCodes::typedCharacters(*press.key) : std::nullopt;
    // A key that types nothing (F5, Escape, the arrows) is shown and registered by its name;
    // only a key the table does not know falls back to no characters at all.
    const std::optional<QString> name = press.key && !characters
                                            ? std::optional(VirtualKeyCodes::keyName(*press.key))
                                            : std::nullopt;
    // A key outside the table has no code of ours; its native one tells which entry is missing.
    printLine(QStringLiteral("keycode ") +
              QString::number(press.key ? press.key->code : press.nativeKeyCode));
    const QString shown = characters ? characters->toUpper() : name.value_or(QString());
    const QString text = modifierSignsFromEventFlags(press.modifierFlags) + shown;
    printLine(characters.value_or(name.value_or(QStringLiteral("characters"))) + QLatin1Char(' ') +
              text);
    m_lumenoObject.setEventCharacters(shown);
    m_lumenoObject.setKeyCode(shown.isEmpty() ? kKeyCodeWithoutCharacters : press.key->code);
    return text;
}

void ShortcutsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    installShortcutMonitor();
}

void ShortcutsView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    removeShortcutMonitor();
}

} // namespace lumeno

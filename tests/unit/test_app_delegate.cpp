#include "AboutWindowController.h"
#include "AppDelegate.h"
#include "CaptureNotifications.h"
#include "ContentView.h"
#include "FakeGlobalHotKey.h"
#include "LumenoObject.h"
#include "MainPopoverView.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "PreferenceView.h"
#include "PreferenceWindow.h"
#include "ResultPopover.h"
#include "ResultView.h"
#include "ShortcutKeyBox.h"
#include "ShortcutsView.h"
#include "StatusMenu.h"
#include "TranslateView.h"
#include "UserDefaults.h"
#include "Version.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>
#include <vector>

using namespace lumeno;

namespace {

QImage capture(QColor color = Qt::darkCyan)
{
    QImage image(120, 40, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

void postCaptureEnd(std::optional<QImage> image)
{
    std::optional<QVariantMap> userInfo;
    if (image)
        userInfo = QVariantMap{{kCaptureImageKey, QVariant(*image)}};
    NotificationCenter::defaultCenter().post(kNotifyCaptureEnd, {}, userInfo);
}

// A launched shell over a fake hot-key service, with the capture replaced by recorders that
// note what the popover looked like at the moment of each call.
class Shell : public ::testing::Test
{
protected:
    void SetUp() override { launch(); }

    void TearDown() override
    {
        // Windows of the shell own themselves; none may outlive the test.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (qobject_cast<PreferenceWindow *>(window) ||
                qobject_cast<AboutWindowController *>(window))
                windows.emplace_back(window);
        for (const QPointer<QWidget> &window : windows)
            delete window.data();
    }

    void launch(const QJsonObject &stored = {})
    {
        ASSERT_TRUE(m_dir.isValid());
        // A new run of the program over a fresh hot-key service.
        m_delegate.reset();
        m_defaults = std::make_unique<UserDefaults>(m_dir.filePath("defaults.json"));
        for (auto it = stored.begin(); it != stored.end(); ++it)
            ASSERT_TRUE(m_defaults->setValue(it.key(), it.value()).ok);
        m_hotKey.calls.clear();
        m_hotKey.active.clear();
        m_lumenoObject = std::make_unique<LumenoObject>(*m_defaults);
        m_delegate = std::make_unique<AppDelegate>(
            m_hotKey, *m_defaults, *m_lumenoObject,
            AppDelegate::Capture{
                [this] { captureStartsWithPopoverShown.push_back(popover()->isShown()); },
                [this](const QImage &image, const LumenoObject &settings) {
                    saved.push_back(image);
                    savedWithPopoverShown.push_back(popover()->isShown());
                    EXPECT_EQ(&settings, m_lumenoObject.get());
                }},
            AppDelegate::Environment{[this](const QUrl &url) { openedUrls.push_back(url); },
                                     [this] { return trayAvailable; }});
        m_delegate->applicationDidFinishLaunching();
    }

    ResultPopover *popover() const { return m_delegate->screenshotPopover(); }
    PreferenceWindow *openPreferences()
    {
        m_delegate->statusMenu()->preferenceAction()->trigger();
        return m_delegate->preferenceWindow();
    }
    ResultView *resultView() const { return qobject_cast<ResultView *>(popover()->content()); }

    QTemporaryDir m_dir;
    FakeGlobalHotKey m_hotKey;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<LumenoObject> m_lumenoObject;
    std::unique_ptr<AppDelegate> m_delegate;
    std::vector<bool> captureStartsWithPopoverShown;
    std::vector<QImage> saved;
    std::vector<bool> savedWithPopoverShown;
    std::vector<QUrl> openedUrls;
    bool trayAvailable = true;
};

TEST_F(Shell, TheMenuHoldsItsItemsInOrderWithTheDefaultKeyEquivalent)
{
    QStringList titles;
    for (QAction *action : m_delegate->statusMenu()->actions())
        titles << (action->isSeparator() ? QString("---") : action->text());
    EXPECT_EQ(titles, QStringList({"Capture Screenshot", "Preference", "OCR Mode (Mode2)", "---",
                                   "Website", "Rate LMO", "About", "---", "Quit  Lumeno OCR"}));
    QStringList modes;
    for (QAction *action : m_delegate->statusMenu()->ocrModeItem()->menu()->actions())
        modes << action->text();
    EXPECT_EQ(modes, QStringList({"Mode 1 (Powered by Google)", "Mode 2"}));

    EXPECT_EQ(m_delegate->statusMenu()->captureAction()->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E));
    for (QAction *action : m_delegate->statusMenu()->actions()) {
        if (action != m_delegate->statusMenu()->captureAction()) {
            EXPECT_TRUE(action->shortcut().isEmpty()) << action->text().toStdString();
        }
    }
    EXPECT_EQ(m_delegate->statusBarItem()->toolTip(), "LumenoOCR");
}

struct StoredShortcutCase
{
    const char *name;
    const char *hotKey;
    const char *eventCharacters;
    quint32 keyCode;
    QKeySequence keyEquivalent;
    quint32 modifiers;
};

class StoredShortcut : public Shell, public ::testing::WithParamInterface<StoredShortcutCase>
{
};

// The menu shows the stored key character with the menu's own default modifiers, whatever
// modifiers the global hot key has; only a letter in upper case brings Shift with it.
TEST_P(StoredShortcut, AStoredShortcutIsShownAndGrabbed)
{
    const StoredShortcutCase &c = GetParam();
    launch({{"hotKey", QString::fromUtf8(c.hotKey)},
            {"eventCharacters", c.eventCharacters},
            {"keyCode", qint64(c.keyCode)}});
    EXPECT_EQ(m_delegate->statusMenu()->captureAction()->shortcut(), c.keyEquivalent);
    ASSERT_EQ(m_hotKey.active.size(), 1u);
    EXPECT_EQ(m_hotKey.active.begin()->second.keyCode, c.keyCode);
    EXPECT_EQ(m_hotKey.active.begin()->second.modifiers, c.modifiers);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, StoredShortcut,
    ::testing::Values(
        StoredShortcutCase{"UpperCaseLetter", "⌃⌥K", "K", 40,
                           QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_K), 0x1800},
        StoredShortcutCase{"LowerCaseLetter", "⌘K", "k", 40, QKeySequence(Qt::CTRL | Qt::Key_K),
                           0x100},
        StoredShortcutCase{"Digit", "⇧⌘1", "1", 18, QKeySequence(Qt::CTRL | Qt::Key_1), 0x300},
        StoredShortcutCase{"FunctionKeyByName", "⌃⌥⇧⌘F5", "F5", 96,
                           QKeySequence(Qt::CTRL | Qt::Key_F5), 0x1B00},
        StoredShortcutCase{"EscapeByName", "⌘Esc", "Esc", 53,
                           QKeySequence(Qt::CTRL | Qt::Key_Escape), 0x100},
        StoredShortcutCase{
            "KeypadKeyByName", "Num+5", "Num+5", 87,
            QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_5)), 0}),
    [](const ::testing::TestParamInfo<StoredShortcutCase> &info) { return info.param.name; });

TEST_F(Shell, LaunchGrabsTheDefaultHotKeyAndItsPressStartsACapture)
{
    ASSERT_EQ(m_hotKey.calls.size(), 1u);
    EXPECT_EQ(m_hotKey.calls[0].keyCode, 14u);
    EXPECT_EQ(m_hotKey.calls[0].modifiers, 0x300u);
    EXPECT_EQ(m_hotKey.calls[0].id, AppDelegate::kHotKeyId);
    EXPECT_TRUE(m_lumenoObject->currentHotKeyRef());

    m_hotKey.press(14, 0x300);
    EXPECT_EQ(captureStartsWithPopoverShown.size(), 1u);
}

TEST_F(Shell, TwoHotKeyChangesInARowLeaveOneGrabAndTheSameKeyEquivalent)
{
    NotificationCenter::defaultCenter().post(NotificationNames::HotKeySetSucceed);
    NotificationCenter::defaultCenter().post(NotificationNames::HotKeySetSucceed);
    EXPECT_EQ(m_hotKey.active.size(), 1u);
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Register), 3u);
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Unregister), 2u);
    EXPECT_EQ(m_lumenoObject->currentHotKeyRef(), m_hotKey.active.begin()->first);
    EXPECT_EQ(m_delegate->statusMenu()->captureAction()->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_E));
}

TEST_F(Shell, ARefusedGrabLeavesNoReferenceAndTheNextChangeUnregistersNothing)
{
    m_hotKey.refusal = "the shortcut is in use by another program";
    NotificationCenter::defaultCenter().post(NotificationNames::HotKeySetSucceed);
    EXPECT_FALSE(m_lumenoObject->currentHotKeyRef());
    EXPECT_TRUE(m_hotKey.active.empty());

    const size_t unregistered = m_hotKey.count(FakeGlobalHotKey::Call::Unregister);
    m_hotKey.refusal.clear();
    NotificationCenter::defaultCenter().post(NotificationNames::HotKeySetSucceed);
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Unregister), unregistered);
    EXPECT_TRUE(m_lumenoObject->currentHotKeyRef());

    // The menu item starts a capture without any grab.
    m_delegate->statusMenu()->captureAction()->trigger();
    EXPECT_EQ(captureStartsWithPopoverShown.size(), 1u);
}

TEST_F(Shell, TheKeyEquivalentWorksWhileTheMenuIsOpen)
{
    StatusMenu *menu = m_delegate->statusMenu();
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QTest::keyClick(menu->windowHandle(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(captureStartsWithPopoverShown.size(), 1u);
    EXPECT_FALSE(menu->isVisible()) << "the menu closes as for a click on the item";
}

// Our own lines name keys as Qt does on this platform, not with the stored symbols.
TEST_F(Shell, ARefusedGrabIsReportedWithTheKeysNamedAsQtNamesThem)
{
    m_hotKey.refusal = "in use";
    for (const auto &[hotKey, keyCode, expected] :
         {std::tuple{"⇧⌘E", 14, "Hot key Ctrl+Shift+E not registered: in use\n"},
          std::tuple{"⌃⌥K", 40, "Hot key Meta+Alt+K not registered: in use\n"}}) {
        m_lumenoObject->setHotKey(QString::fromUtf8(hotKey));
        m_lumenoObject->setKeyCode(keyCode);
        testing::internal::CaptureStdout();
        NotificationCenter::defaultCenter().post(NotificationNames::HotKeySetSucceed);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
    }
}

struct ModeCase
{
    int tag;
    const char *title;
    OcrModeType mode;
};

class ModeChoice : public Shell, public ::testing::WithParamInterface<ModeCase>
{
};

TEST_P(ModeChoice, RetitlesTheModeItemAndSetsTheEngine)
{
    m_delegate->ocrMode(StatusMenu::kGoogleModeTag);
    m_delegate->ocrMode(GetParam().tag);
    EXPECT_EQ(m_delegate->statusMenu()->ocrModeItem()->text(), GetParam().title);
    EXPECT_EQ(m_lumenoObject->ocrModeType(), GetParam().mode);
}

INSTANTIATE_TEST_SUITE_P(Tags, ModeChoice,
                         ::testing::Values(ModeCase{1, "OCR Mode (Mode1)", OcrModeType::google},
                                           ModeCase{2, "OCR Mode (Mode2)", OcrModeType::baidu},
                                           // Unknown tags keep the previous choice.
                                           ModeCase{7, "OCR Mode (Mode1)", OcrModeType::google}));

TEST_F(Shell, TheModeMenuRowsReachTheirChoice)
{
    m_delegate->statusMenu()->googleModeAction()->trigger();
    EXPECT_EQ(m_lumenoObject->ocrModeType(), OcrModeType::google);
    m_delegate->statusMenu()->baiduModeAction()->trigger();
    EXPECT_EQ(m_lumenoObject->ocrModeType(), OcrModeType::baidu);
}

TEST_F(Shell, ACancelledCaptureShowsAndSavesNothing)
{
    postCaptureEnd(std::nullopt);
    EXPECT_TRUE(saved.empty());
    EXPECT_FALSE(popover()->isShown());
    EXPECT_FALSE(popover()->content());
}

TEST_F(Shell, AConfirmedCaptureIsSavedBeforeItIsShown)
{
    const QImage image = capture();
    postCaptureEnd(image);
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], image);
    EXPECT_EQ(savedWithPopoverShown, std::vector<bool>{false});
    EXPECT_TRUE(popover()->isShown());
    ASSERT_TRUE(resultView());
    EXPECT_EQ(resultView()->contentView()->nsImage(), image);
    EXPECT_EQ(resultView()->contentView()->lumenoObject(), m_lumenoObject.get());
}

TEST_F(Shell, ASecondCaptureReplacesTheContentOfTheOpenPopoverInPlace)
{
    postCaptureEnd(capture(Qt::red));
    QPointer<QWidget> first = popover()->content();
    const QPoint where = popover()->pos();
    // The hot key does not close the popover.
    m_hotKey.press(14, 0x300);
    EXPECT_EQ(captureStartsWithPopoverShown, std::vector<bool>{true});

    postCaptureEnd(capture(Qt::blue));
    EXPECT_TRUE(popover()->isShown());
    EXPECT_EQ(popover()->pos(), where);
    ASSERT_TRUE(resultView());
    EXPECT_NE(popover()->content(), first.data());
    EXPECT_EQ(resultView()->contentView()->nsImage(), capture(Qt::blue));
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }));
}

TEST_F(Shell, CaptureScreenshotClosesThePopoverBeforeTheCaptureStarts)
{
    postCaptureEnd(capture());
    ASSERT_TRUE(popover()->isShown());
    m_delegate->statusMenu()->captureAction()->trigger();
    EXPECT_EQ(captureStartsWithPopoverShown, std::vector<bool>{false});
}

TEST_F(Shell, ThePopoverClosesOnOCRViewClosedAndWhenTheMenuOpens)
{
    postCaptureEnd(capture());
    NotificationCenter::defaultCenter().post(NotificationNames::OCRViewClosed);
    EXPECT_FALSE(popover()->isShown());

    postCaptureEnd(capture());
    ASSERT_TRUE(popover()->isShown());
    emit m_delegate->statusMenu()->aboutToShow();
    EXPECT_FALSE(popover()->isShown());
}

TEST_F(Shell, TheOcrButtonOfAnOpenPopoverFollowsTheModeAtOnce)
{
    postCaptureEnd(capture());
    ASSERT_TRUE(resultView());
    QPushButton *ocr = resultView()->ocrButton();
    EXPECT_EQ(ocr->width(), ResultView::kOcrButtonWidthBaidu);
    m_delegate->statusMenu()->googleModeAction()->trigger();
    EXPECT_EQ(ocr->width(), ResultView::kOcrButtonWidthGoogle);
    m_delegate->statusMenu()->baiduModeAction()->trigger();
    EXPECT_EQ(ocr->width(), ResultView::kOcrButtonWidthBaidu);
}

TEST_F(Shell, TheFirstRunTimerFiresOnceHalfASecondAfterLaunch)
{
    EXPECT_TRUE(m_delegate->timer().isSingleShot());
    EXPECT_EQ(m_delegate->timer().interval(), AppDelegate::kFirstRunDelayMs);
    EXPECT_TRUE(m_delegate->timer().isActive());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_delegate->timer().isActive(); }, 30000));
}

} // namespace

namespace {

TEST_F(Shell, PreferenceOpensTheWindowInFrontOnTheGeneralPage)
{
    PreferenceWindow *window = openPreferences();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(window->preferenceView()->selectedTab(), PreferenceView::General);
    EXPECT_EQ(&window->preferenceView()->lumenoObject(), m_lumenoObject.get());
}

struct TwoWindowsCase
{
    const char *name;
    // Which window's "OK" is pressed: the older one (false) or the newer one (true).
    bool okInNewer;
};

class TwoPreferenceWindows : public Shell, public ::testing::WithParamInterface<TwoWindowsCase>
{
};

TEST_P(TwoPreferenceWindows, TheDelegateKeepsTheNewestWindowAndOkInEitherClosesOnlyThat)
{
    QPointer<PreferenceWindow> first = openPreferences();
    QPointer<PreferenceWindow> second = openPreferences();
    ASSERT_NE(first, second);
    EXPECT_EQ(m_delegate->preferenceWindow(), second.data());
    EXPECT_TRUE(first->isVisible()) << "the older window stays open on its own";

    const size_t registered = m_hotKey.count(FakeGlobalHotKey::Call::Register);
    PreferenceWindow *pressed = GetParam().okInNewer ? second.data() : first.data();
    QTest::mouseClick(pressed->preferenceView()->okButton(), Qt::LeftButton);
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(!second || !second->isVisible());
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Register), registered + 1)
        << "the closing window has the hot key registered again";
    EXPECT_EQ(m_hotKey.active.size(), 1u);

    QTest::mouseClick(first->preferenceView()->okButton(), Qt::LeftButton);
    EXPECT_TRUE(first->isVisible()) << "the newest window is gone; nothing else closes";
}

INSTANTIATE_TEST_SUITE_P(OkPressedIn, TwoPreferenceWindows,
                         ::testing::Values(TwoWindowsCase{"TheOlder", false},
                                           TwoWindowsCase{"TheNewer", true}),
                         [](const ::testing::TestParamInfo<TwoWindowsCase> &info) {
                             return info.param.name;
                         });

TEST_F(Shell, ARecordedShortcutSavedWithOkReplacesTheGlobalHotKey)
{
    PreferenceWindow *window = openPreferences();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->preferenceView()->setSelectedTab(PreferenceView::Shortcuts);
    auto *shortcuts = qobject_cast<ShortcutsView *>(
        window->preferenceView()->tabView()->widget(PreferenceView::Shortcuts));
    QTest::mouseClick(shortcuts->keyBox(), Qt::LeftButton);
    EXPECT_TRUE(m_hotKey.active.empty()) << "released while recording";
    QTest::keyClick(window->windowHandle(), Qt::Key_K, Qt::ShiftModifier | Qt::ControlModifier);
    QTest::mouseClick(window->preferenceView()->okButton(), Qt::LeftButton);

    const UserDefaults stored(m_dir.filePath("defaults.json"));
    EXPECT_EQ(stored.objectForKey("hotKey"), QJsonValue("⇧⌘K"));
    EXPECT_EQ(stored.objectForKey("eventCharacters"), QJsonValue("K"));
    EXPECT_EQ(stored.objectForKey("keyCode"), QJsonValue(40));
    EXPECT_EQ(stored.objectForKey("ModifierFlags"), QJsonValue(0));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_delegate->preferenceWindow(); }))
        << "OK closed the window";

    ASSERT_EQ(m_hotKey.active.size(), 1u);
    EXPECT_EQ(m_hotKey.active.begin()->second.keyCode, 40u);
    EXPECT_EQ(m_hotKey.active.begin()->second.modifiers, 0x300u);
    EXPECT_EQ(m_lumenoObject->currentHotKeyRef(), m_hotKey.active.begin()->first);
    const QKeySequence equivalent = m_delegate->statusMenu()->captureAction()->shortcut();
    ASSERT_FALSE(equivalent.isEmpty());
    EXPECT_EQ(equivalent[0].key(), Qt::Key_K);

    m_hotKey.press(14, 0x300);
    EXPECT_TRUE(captureStartsWithPopoverShown.empty()) << "the old key starts nothing";
    m_hotKey.press(40, 0x300);
    EXPECT_EQ(captureStartsWithPopoverShown.size(), 1u);
}

TEST_F(Shell, ATargetChosenInThePreferencesRetitlesTheOpenResultAtOnce)
{
    postCaptureEnd(capture());
    ASSERT_TRUE(resultView());
    PreferenceWindow *window = openPreferences();
    auto *translate = qobject_cast<TranslateView *>(
        window->preferenceView()->tabView()->widget(PreferenceView::Translate));
    translate->targetMenuButton()->menu()->actions().at(6)->trigger();
    EXPECT_EQ(resultView()->translateButton()->text(), "Translate(to th)");
    window->close();
    EXPECT_EQ(m_lumenoObject->translateTargetCode(), "th") << "kept for the run without OK";
    EXPECT_FALSE(UserDefaults(m_dir.filePath("defaults.json")).objectForKey("TranslateCode"));
}

} // namespace

namespace {

struct FirstRunCase
{
    const char *name;
    std::optional<QString> stored;
    bool trayAvailable;
    bool shown;
    std::optional<QString> storedAfter;
};

class FirstRun : public Shell, public ::testing::WithParamInterface<FirstRunCase>
{
};

TEST_P(FirstRun, TheHintShowsUnlessDismissedForGoodOrWithoutATray)
{
    const FirstRunCase &c = GetParam();
    trayAvailable = c.trayAvailable;
    launch(c.stored ? QJsonObject{{"MainPopover", *c.stored}} : QJsonObject{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_delegate->timer().isActive(); }, 30000));
    ResultPopover *hint = m_delegate->mainPopover();
    EXPECT_TRUE(qobject_cast<MainPopoverView *>(hint->content())) << "the content is always set";
    EXPECT_EQ(hint->isShown(), c.shown);
    EXPECT_EQ(m_defaults->stringForKey("MainPopover"), c.storedAfter);
    EXPECT_EQ(UserDefaults(m_dir.filePath("defaults.json")).stringForKey("MainPopover"),
              c.storedAfter)
        << "kept for the next start";
}

INSTANTIATE_TEST_SUITE_P(
    Stored, FirstRun,
    ::testing::Values(FirstRunCase{"absent", std::nullopt, true, true, "1"},
                      FirstRunCase{"shownBefore", "1", true, true, "1"},
                      FirstRunCase{"other", "x", true, true, "1"},
                      FirstRunCase{"dismissedForGood", "2", true, false, "2"},
                      FirstRunCase{"noTray", std::nullopt, false, false, std::nullopt}),
    [](const ::testing::TestParamInfo<FirstRunCase> &info) { return info.param.name; });

TEST_F(Shell, TheHintsCloseButtonPostsOnceAndTheShellClosesIt)
{
    m_delegate->showMainPopover();
    ResultPopover *hint = m_delegate->mainPopover();
    ASSERT_TRUE(hint->isShown());
    auto *view = qobject_cast<MainPopoverView *>(hint->content());
    ASSERT_TRUE(view);
    test::NotificationRecorder recorder({NotificationNames::MainPopoverClosed});
    QTest::mouseClick(view->closeButton(), Qt::LeftButton);
    EXPECT_EQ(recorder.posts.size(), 1u);
    EXPECT_FALSE(hint->isShown());
    EXPECT_EQ(m_defaults->stringForKey("MainPopover"), "1") << "closing stores nothing more";
}

TEST_F(Shell, OnlyTheHintIsShownWithoutTakingTheKeyboard)
{
    m_delegate->showMainPopover();
    ResultPopover *hint = m_delegate->mainPopover();
    ASSERT_TRUE(hint->isShown());
    EXPECT_TRUE(hint->testAttribute(Qt::WA_ShowWithoutActivating));
    // What the X11 platform reads at every map of the window: user time 0, so no focus.
    EXPECT_EQ(hint->windowHandle()->property("_q_showWithoutActivating"), QVariant(true));

    postCaptureEnd(capture());
    ASSERT_TRUE(popover()->isShown());
    EXPECT_FALSE(popover()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(popover()->windowHandle()->property("_q_showWithoutActivating").isValid());
    EXPECT_TRUE(QTest::qWaitForWindowActive(popover())) << "the result view takes Escape";
}

struct FocusCase
{
    const char *name;
    ResultPopover::Focus focus;
    bool popoverActive;
};

class PopoverFocus : public ::testing::TestWithParam<FocusCase>
{
};

// Offscreen, a window becomes active when it is first shown, whatever it asks; a show of the
// open popover tells whether showing it asks for the keyboard.
TEST_P(PopoverFocus, AShowAsksForTheKeyboardOnlyToTakeIt)
{
    ResultPopover popover;
    popover.setContent(new QLabel("content"));
    popover.showAt(QRect());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
    QLineEdit editor;
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));

    popover.showAt(QRect(), GetParam().focus);
    QTest::qWait(100);
    EXPECT_EQ(popover.isActiveWindow(), GetParam().popoverActive);
    EXPECT_EQ(editor.isActiveWindow(), !GetParam().popoverActive);
}

INSTANTIATE_TEST_SUITE_P(Shows, PopoverFocus,
                         ::testing::Values(FocusCase{"Take", ResultPopover::Focus::Take, true},
                                           FocusCase{"Leave", ResultPopover::Focus::Leave, false}),
                         [](const ::testing::TestParamInfo<FocusCase> &info) {
                             return info.param.name;
                         });

// The pictures go beside the other tests' ones: test-artifacts of the build folder, two levels
// above this program's own folder (tests/unit).
QString artifactPath(const QString &name)
{
    const QDir folder(QCoreApplication::applicationDirPath() + "/../../test-artifacts");
    QDir().mkpath(folder.path());
    return folder.absoluteFilePath(name);
}

TEST(MainPopoverView, TheCloseRowSitsOnTheWholeTextWithItsButtonTenInFromTheTrailingEdge)
{
    for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        SCOPED_TRACE(direction == Qt::LeftToRight ? "left to right" : "right to left");
        MainPopoverView view;
        view.setLayoutDirection(direction);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        EXPECT_EQ(view.size(), QSize(300, 50));

        const QPushButton *close = view.closeButton();
        const QRect button(close->mapTo(&view, QPoint()), close->size());
        const int trailingGap = direction == Qt::LeftToRight
                                    ? view.width() - (button.x() + button.width())
                                    : button.x();
        EXPECT_EQ(trailingGap, 10);
        EXPECT_EQ(button.height(), 20) << "the close row's height";

        const QLabel *text = view.text();
        const QRect label(text->mapTo(&view, QPoint()), text->size());
        EXPECT_EQ(label.top(), button.top() + button.height()) << "right under the close row";
        EXPECT_TRUE(view.rect().contains(label));
        EXPECT_GE(label.width(), text->fontMetrics().horizontalAdvance(text->text()))
            << "the whole text";
        EXPECT_GE(label.height(), text->sizeHint().height());
        const int above = button.top();
        const int below = view.height() - (label.top() + label.height());
        EXPECT_LE(qAbs(above - below), 1) << "the pair sits in the middle";
        view.grab().save(artifactPath(direction == Qt::LeftToRight
                                          ? "first-run-hint-view.png"
                                          : "first-run-hint-view-rtl.png"));
    }
}

TEST_F(Shell, OpeningTheMenuLeavesTheHintOpen)
{
    m_delegate->showMainPopover();
    emit m_delegate->statusMenu()->aboutToShow();
    EXPECT_TRUE(m_delegate->mainPopover()->isShown());
}

TEST_F(Shell, EachAboutIsANewWindowThatGoesAwayWhenClosed)
{
    m_delegate->statusMenu()->aboutAction()->trigger();
    m_delegate->statusMenu()->aboutAction()->trigger();
    std::vector<QPointer<AboutWindowController>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *about = qobject_cast<AboutWindowController *>(window))
            windows.emplace_back(about);
    ASSERT_EQ(windows.size(), 2u);
    QApplication::processEvents();
    for (const auto &window : windows) {
        ASSERT_TRUE(window) << "nobody keeps it, yet it stays until closed";
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), "About");
    }
    for (const auto &window : windows)
        window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !windows[0] && !windows[1]; }));
}

TEST_F(Shell, WebsiteAndRateOpenTheirSecureAddresses)
{
    m_delegate->statusMenu()->websiteAction()->trigger();
    m_delegate->statusMenu()->rateAction()->trigger();
    ASSERT_EQ(openedUrls.size(), 2u);
    EXPECT_EQ(openedUrls[0], QUrl(QString::fromLatin1(kHomePage)));
    EXPECT_EQ(openedUrls[1], QUrl(QString::fromLatin1(kReviewPage)));
    for (const QUrl &url : openedUrls) {
        EXPECT_TRUE(url.isValid());
        EXPECT_EQ(url.scheme(), "https");
    }
    EXPECT_NE(openedUrls[0], openedUrls[1]);
}

} // namespace

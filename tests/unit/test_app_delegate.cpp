#include "AppDelegate.h"
#include "CaptureNotifications.h"
#include "ContentView.h"
#include "FakeGlobalHotKey.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ResultPopover.h"
#include "ResultView.h"
#include "StatusMenu.h"
#include "UserDefaults.h"

#include <QAction>
#include <QPushButton>
#include <QSystemTrayIcon>
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

    void launch(const QJsonObject &stored = {})
    {
        ASSERT_TRUE(m_dir.isValid());
        UserDefaults defaults(m_dir.filePath("defaults.json"));
        for (auto it = stored.begin(); it != stored.end(); ++it)
            ASSERT_TRUE(defaults.setValue(it.key(), it.value()).ok);
        // A new run of the program over a fresh hot-key service.
        m_delegate.reset();
        m_hotKey.calls.clear();
        m_hotKey.active.clear();
        m_lumenoObject = std::make_unique<LumenoObject>(defaults);
        m_delegate = std::make_unique<AppDelegate>(
            m_hotKey, *m_lumenoObject,
            AppDelegate::Capture{
                [this] { captureStartsWithPopoverShown.push_back(popover()->isShown()); },
                [this](const QImage &image, const LumenoObject &settings) {
                    saved.push_back(image);
                    savedWithPopoverShown.push_back(popover()->isShown());
                    EXPECT_EQ(&settings, m_lumenoObject.get());
                }});
        m_delegate->applicationDidFinishLaunching();
    }

    ResultPopover *popover() const { return m_delegate->screenshotPopover(); }
    ResultView *resultView() const { return qobject_cast<ResultView *>(popover()->content()); }

    QTemporaryDir m_dir;
    FakeGlobalHotKey m_hotKey;
    std::unique_ptr<LumenoObject> m_lumenoObject;
    std::unique_ptr<AppDelegate> m_delegate;
    std::vector<bool> captureStartsWithPopoverShown;
    std::vector<QImage> saved;
    std::vector<bool> savedWithPopoverShown;
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

// The menu shows the stored key character with the menu's own default modifiers, whatever
// modifiers the global hot key has.
TEST_F(Shell, AStoredShortcutIsShownAndGrabbed)
{
    launch({{"hotKey", QString::fromUtf8("⌃⌥K")}, {"eventCharacters", "K"}, {"keyCode", 40}});
    EXPECT_EQ(m_delegate->statusMenu()->captureAction()->shortcut(),
              QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_K));
    ASSERT_EQ(m_hotKey.active.size(), 1u);
    EXPECT_EQ(m_hotKey.active.begin()->second.keyCode, 40u);
    EXPECT_EQ(m_hotKey.active.begin()->second.modifiers, 0x1800u);
}

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

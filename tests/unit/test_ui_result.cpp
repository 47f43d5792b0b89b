#include "ActivityIndicator.h"
#include "ContentView.h"
#include "CopyIcon.h"
#include "EscapeMonitor.h"
#include "ImageTabView.h"
#include "LanguageTables.h"
#include "LoadingIndicator.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "OCRLoading.h"
#include "ResultPopover.h"
#include "ResultView.h"
#include "SystemColors.h"
#include "TextPane.h"
#include "TextTabView.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QClipboard>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <map>
#include <memory>

using namespace lumeno;

namespace {

// Counts one notification name for as long as it lives.
class NotificationCounter
{
public:
    explicit NotificationCounter(const char *name)
    {
        NotificationCenter::defaultCenter().addObserver(&m_observer, QLatin1String(name),
                                                        [this](const Notification &) { ++count; });
    }
    int count = 0;

private:
    QObject m_observer;
};

void enter(QWidget *widget)
{
    QEnterEvent event(QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                      widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &event);
}

void leave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

// --- image pane ---

struct FitCase
{
    const char *name;
    QSizeF image;
    QRectF expected;
};

class ImageFitTest : public ::testing::TestWithParam<FitCase>
{
};

TEST_P(ImageFitTest, TheWholeImageIsCentredAndMeetsOneEdgeOfTheBand)
{
    const QRectF band(0, 0, 468, 300);
    EXPECT_EQ(ImageTabView::fittedRect(GetParam().image, band), GetParam().expected)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Shapes, ImageFitTest,
                         ::testing::Values(
                             // Wider than the band: full width, tinted space above and below.
                             FitCase{"wide", QSizeF(936, 200), QRectF(0, 100, 468, 100)},
                             // Narrower: full height, tinted space at the sides.
                             FitCase{"tall", QSizeF(100, 600), QRectF(209, 0, 50, 300)},
                             // Smaller than the band: scaled up until the height meets the edge.
                             FitCase{"small", QSizeF(30, 30), QRectF(84, 0, 300, 300)},
                             FitCase{"empty", QSizeF(0, 0), QRectF()}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(ImageTabView, AnImageGetsTheBandAndNoImageTakesNoRoom)
{
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    EXPECT_EQ(ImageTabView(image).sizeHint().height(), ImageTabView::kBandHeight);
    const ImageTabView empty{QImage()};
    EXPECT_EQ(empty.sizeHint().height(), 0);
    EXPECT_EQ(empty.maximumHeight(), 0);
}

// --- spinners ---

TEST(ActivityIndicator, WalksRoundOnlyWhileAnimatingAndShown)
{
    ActivityIndicator indicator;
    indicator.show();
    const int start = indicator.phase();
    QTest::qWait(350);
    EXPECT_EQ(indicator.phase(), start) << "not animating yet";
    indicator.setAnimating(true);
    QTRY_VERIFY_WITH_TIMEOUT(indicator.phase() != start, 5000);
    indicator.setAnimating(false);
    const int stopped = indicator.phase();
    QTest::qWait(350);
    EXPECT_EQ(indicator.phase(), stopped);
}

TEST(OCRLoading, IsAnAnimatedOrangeEightDotSpinnerOf24Points)
{
    OCRLoading loading;
    EXPECT_EQ(loading.size(), QSize(24, 24));
    EXPECT_EQ(loading.indicator()->color(), SystemColors::orange());
    EXPECT_EQ(ActivityIndicator::kElementCount, 8);
    EXPECT_TRUE(loading.indicator()->isAnimating());
}

TEST(LoadingIndicator, NotVisibleTakesNoRoomWhateverTheIndicatorFlag)
{
    for (const bool indicatorOn : {false, true}) {
        QWidget host;
        auto *layout = new QVBoxLayout(&host);
        auto *panel = new LoadingIndicator(indicatorOn, false, &host);
        layout->addWidget(panel);
        host.show();
        EXPECT_FALSE(panel->isVisible());
        EXPECT_LT(host.sizeHint().height(), LoadingIndicator::kSide);
    }
}

TEST(LoadingIndicator, VisibleWithoutTheIndicatorStillDrawsThePanelAndItsWord)
{
    QWidget host;
    auto *panel = new LoadingIndicator(false, true, &host);
    host.show();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->size(), QSize(140, 140));
    EXPECT_FALSE(panel->indicator()->isAnimating());
    EXPECT_EQ(panel->indicator()->color(), SystemColors::orange());
    EXPECT_EQ(panel->indicator()->size(), QSize(50, 50));
    const QLabel *word = panel->findChild<QLabel *>();
    ASSERT_TRUE(word);
    EXPECT_EQ(word->text(), "LOADING");
}

// --- text panes ---

class TextPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_view.show();
        QApplication::clipboard()->setText("earlier contents");
    }
    TextPane *ocr() { return m_view.ocrPane(); }
    TextPane *translation() { return m_view.translationPane(); }

    TextTabView m_view;
};

TEST_F(TextPaneTest, TapsCopyTheEditedTextAndToggleTheBadge)
{
    ocr()->setText("recognised");
    ocr()->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(ocr()->editor(), " and edited");

    QTest::mouseClick(ocr()->copyIcon(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "recognised and edited");
    EXPECT_TRUE(ocr()->isCopied());
    EXPECT_TRUE(ocr()->copiedBadge()->isVisible());
    EXPECT_EQ(ocr()->copiedBadge()->text(), "Copied");
    EXPECT_EQ(ocr()->copyIcon()->tint(), SystemColors::blue());

    QApplication::clipboard()->setText("something else");
    QTest::mouseClick(ocr()->copyIcon(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "recognised and edited") << "copies again";
    EXPECT_FALSE(ocr()->copiedBadge()->isVisible());
    EXPECT_EQ(ocr()->copyIcon()->tint(), SystemColors::secondary(ocr()->palette()));
}

TEST_F(TextPaneTest, AnEmptyPaneStillReplacesTheClipboard)
{
    QTest::mouseClick(translation()->copyIcon(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), "");
    EXPECT_TRUE(translation()->copiedBadge()->isVisible());
}

TEST_F(TextPaneTest, LeavingTheIconHidesTheBadgeAndRestoresTheCursor)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    enter(ocr()->copyIcon());
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(ocr()->isCopied()) << "hovering alone copies nothing";
    QTest::mouseClick(ocr()->copyIcon(), Qt::LeftButton);
    leave(ocr()->copyIcon());
    EXPECT_FALSE(ocr()->isCopied());
    EXPECT_FALSE(ocr()->copiedBadge()->isVisible());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TextPaneTest, ClosingWhileHoveredDoesNotLeaveTheHandBehind)
{
    enter(ocr()->copyIcon());
    m_view.hide();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(TextPaneTest, OnePanesCopyLeavesTheOtherAsItWas)
{
    QTest::mouseClick(ocr()->copyIcon(), Qt::LeftButton);
    EXPECT_FALSE(translation()->isCopied());
    EXPECT_FALSE(translation()->copiedBadge()->isVisible());
    EXPECT_EQ(translation()->copyIcon()->tint(), SystemColors::secondary(ocr()->palette()));
}

TEST_F(TextPaneTest, TheCopyIconKeepsTheDefaultSpacingFromItsTitle)
{
    for (TextPane *pane : {ocr(), translation()}) {
        const QLabel *title = nullptr;
        for (const QLabel *label : pane->findChildren<QLabel *>())
            if (label->text() == "OCR Results" || label->text() == "Translation")
                title = label;
        ASSERT_TRUE(title);
        const QRect icon = pane->copyIcon()->geometry();
        const int gap = icon.left() - title->geometry().right() - 1;
        EXPECT_EQ(gap, pane->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing))
            << title->text().toStdString();
        EXPECT_GT(gap, 0) << title->text().toStdString();
        EXPECT_EQ(icon.center().y(), title->geometry().center().y()) << "centred on one row";
    }
}

TEST_F(TextPaneTest, OnlyUserEditsAreReportedAsEdits)
{
    QStringList edits;
    QObject::connect(ocr(), &TextPane::textEdited, [&](const QString &t) { edits << t; });
    ocr()->setText("from the model");
    EXPECT_TRUE(edits.isEmpty());
    ocr()->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(ocr()->editor(), "!");
    EXPECT_EQ(edits.value(edits.size() - 1), "from the model!");
}

// --- Escape monitor ---

TEST(EscapeMonitor, EscapeKeyDownPostsOnceAndNothingIsConsumed)
{
    QLineEdit field;
    field.show();
    field.activateWindow();
    field.setFocus();
    QTRY_VERIFY(field.hasFocus());
    int escapesSeen = 0;
    class Spy : public QObject
    {
    public:
        explicit Spy(int &n) : m_n(n) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::KeyPress &&
                static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
                ++m_n;
            return false;
        }
        int &m_n;
    } spy(escapesSeen);
    field.installEventFilter(&spy);

    NotificationCounter closed(NotificationNames::OCRViewClosed);
    EscapeMonitor monitor;
    monitor.install();
    QTest::keyPress(field.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count, 1);
    EXPECT_EQ(escapesSeen, 1) << "the Escape still reaches the widget";
    QTest::keyRelease(field.windowHandle(), Qt::Key_Escape);
    QTest::keyClick(field.windowHandle(), Qt::Key_A);
    QTest::keyClick(field.windowHandle(), Qt::Key_Shift);
    EXPECT_EQ(closed.count, 1) << "key-up, other keys and modifiers post nothing";
    EXPECT_EQ(field.text(), "a");
    monitor.remove();
    QTest::keyClick(field.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count, 1);
}

// --- popover placement ---

struct PlacementCase
{
    const char *name;
    QRect anchor;
    QPoint expected;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase>
{
};

TEST_P(PlacementTest, HangsUnderTheIconAndStaysOnTheScreen)
{
    const QRect available(0, 0, 1920, 1050);
    EXPECT_EQ(ResultPopover::placement(GetParam().anchor, QSize(500, 700), available),
              GetParam().expected)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Trays, PlacementTest,
    ::testing::Values(PlacementCase{"topPanel", QRect(1000, 0, 22, 22), QPoint(761, 22)},
                      PlacementCase{"bottomPanel", QRect(1000, 1054, 22, 22), QPoint(761, 350)},
                      PlacementCase{"rightCorner", QRect(1896, 0, 22, 22), QPoint(1420, 22)},
                      PlacementCase{"leftCorner", QRect(2, 0, 22, 22), QPoint(0, 22)},
                      PlacementCase{"noTray", QRect(), QPoint(1420, 0)}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ResultPopover, NewContentReplacesTheOldInPlaceWhileShown)
{
    ResultPopover popover;
    QPointer<QWidget> first = new QLabel("first");
    popover.setContent(first);
    popover.showAt(QRect());
    ASSERT_TRUE(popover.isShown());
    // A window resized to nothing is unmapped by the platform and mapped again: a flicker, and
    // the window manager may move the focus meanwhile.
    struct EmptySizes : QObject
    {
        int count = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Resize &&
                static_cast<QResizeEvent *>(event)->size().isEmpty())
                ++count;
            return false;
        }
    } emptySizes;
    popover.installEventFilter(&emptySizes);
    auto *second = new QLabel("second");
    popover.setContent(second);
    EXPECT_TRUE(popover.isShown());
    EXPECT_EQ(popover.content(), second);
    QTRY_VERIFY(first.isNull());
    QTRY_VERIFY(second->isVisible());
    EXPECT_EQ(popover.size(), second->sizeHint());
    EXPECT_EQ(emptySizes.count, 0);
    EXPECT_TRUE(popover.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(popover.windowType(), Qt::Tool) << "a popup would close on outside clicks";
}

// --- the whole result view ---

class ResultViewTest : public ::testing::Test
{
protected:
    ResultViewTest()
        : m_store(m_dir.path() + "/defaults.json"), m_lumeno(m_store),
          m_view(new ContentView(&m_lumeno, capture()))
    {
        m_view.show();
    }

    static QImage capture()
    {
        QImage image(80, 40, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }

    ContentView *model() { return m_view.contentView(); }

    QTemporaryDir m_dir;
    UserDefaults m_store;
    LumenoObject m_lumeno;
    ResultView m_view;
};

TEST_F(ResultViewTest, TheOcrButtonFollowsTheModeAtOnce)
{
    EXPECT_EQ(m_view.ocrButton()->text(), "OCR");
    EXPECT_EQ(m_view.ocrButton()->width(), 120);
    m_lumeno.setOcrModeType(OcrModeType::google);
    EXPECT_EQ(m_view.ocrButton()->width(), 60);
    m_lumeno.setOcrModeType(OcrModeType::baidu);
    EXPECT_EQ(m_view.ocrButton()->width(), 120);
}

TEST_F(ResultViewTest, TheTargetMenuListsTheNamesAndRelabelsTranslateWithTheCode)
{
    EXPECT_EQ(m_view.translateButton()->text(), "Translate(to en)");
    const QList<QAction *> rows = m_view.targetMenuButton()->menu()->actions();
    ASSERT_EQ(rows.size(), 26);
    for (int i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows.at(i)->text(), LanguageTables::languageArray().at(i));
    const int japanese = LanguageTables::languageArray().indexOf("Japanese");
    ASSERT_GE(japanese, 0);
    rows.at(japanese)->trigger();
    const QString code = LanguageTables::translateTargetArray().at(japanese);
    EXPECT_EQ(m_view.translateButton()->text(), "Translate(to " + code + ")");
    EXPECT_EQ(m_lumeno.translateTargetCode(), code);
    EXPECT_EQ(m_lumeno.selectedTranslateName(), "Japanese");
}

TEST_F(ResultViewTest, PanesAndModelStayInStepBothWays)
{
    TextPane *ocr = m_view.textTabView()->ocrPane();
    model()->setOcrString("Hello");
    EXPECT_EQ(ocr->text(), "Hello");
    ocr->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(ocr->editor(), " world");
    EXPECT_EQ(model()->ocrString(), "Hello world");
    model()->setTranslateString("Bonjour");
    EXPECT_EQ(m_view.textTabView()->translationPane()->text(), "Bonjour");
    QTest::keyClicks(m_view.textTabView()->translationPane()->editor(), "!");
    EXPECT_TRUE(model()->translateString().contains("!"));
}

TEST_F(ResultViewTest, TheSpinnerShowsWhileLoadingAndLeavesNoGapOtherwise)
{
    const int translateX = m_view.translateButton()->x();
    EXPECT_FALSE(m_view.loading()->isVisible());
    model()->setShowLoading(true);
    QTRY_VERIFY(m_view.translateButton()->x() > translateX);
    EXPECT_TRUE(m_view.loading()->isVisible());
    EXPECT_EQ(m_view.translateButton()->x() - translateX, 24 + ResultView::kSpacing);
    model()->setShowLoading(false);
    QTRY_COMPARE(m_view.translateButton()->x(), translateX);
}

TEST_F(ResultViewTest, TheAlertHasNoTitleAndOneOkThatClearsTheFlag)
{
    model()->setIsShowAlert(true);
    model()->setAlertMessage("Something went wrong");
    QMessageBox *alert = m_view.alert();
    ASSERT_TRUE(alert);
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(alert->windowTitle(), "");
    EXPECT_EQ(alert->text(), "Something went wrong");
    ASSERT_EQ(alert->buttons().size(), 1);
    EXPECT_EQ(alert->buttons().at(0)->text(), "OK");
    alert->buttons().at(0)->click();
    EXPECT_FALSE(model()->isShowAlert());
    model()->setOcrString("kept");
    EXPECT_EQ(m_view.textTabView()->ocrPane()->text(), "kept");
}

TEST_F(ResultViewTest, CloseButtonAndEscapePostClosedWhileShownOnly)
{
    NotificationCounter closed(NotificationNames::OCRViewClosed);
    m_view.closeButton()->click();
    EXPECT_EQ(closed.count, 1);
    QTest::keyPress(m_view.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count, 2);
    m_view.hide();
    QWidget other;
    other.show();
    QTest::keyPress(other.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count, 2) << "a hidden result view no longer listens";
}

TEST_F(ResultViewTest, EscapeInTheTargetMenuClosesOnlyTheMenu)
{
    NotificationCounter closed(NotificationNames::OCRViewClosed);
    QMenu *menu = m_view.targetMenuButton()->menu();
    bool opened = false;
    // The button runs the menu in its own event loop; the key reaches the menu's window there.
    QTimer::singleShot(0, menu, [&] {
        opened = QTest::qWaitFor([&] { return menu->isVisible(); });
        QTest::keyClick(menu->windowHandle(), Qt::Key_Escape);
    });
    QTest::mouseClick(m_view.targetMenuButton(), Qt::LeftButton);
    ASSERT_TRUE(opened);
    QTRY_VERIFY(!menu->isVisible());
    EXPECT_EQ(closed.count, 0) << "the popover must stay open with its text";
    EXPECT_TRUE(m_view.isVisible());
    QTest::keyClick(m_view.windowHandle(), Qt::Key_Escape);
    EXPECT_EQ(closed.count, 1) << "Escape on the popover itself still closes it";
}

TEST_F(ResultViewTest, IsFiveHundredWideWithTheCloseButtonOverTheImage)
{
    EXPECT_EQ(m_view.width(), 500);
    const QRect close = m_view.closeButton()->geometry();
    const QRect image = m_view.imageTabView()->geometry();
    EXPECT_TRUE(image.contains(close)) << "the whole button floats over the image";
    EXPECT_EQ(close.topLeft(), image.topLeft()) << "in the top-leading corner, inside the padding";
    EXPECT_EQ(close.size(), m_view.closeButton()->iconSize()) << "no dead area around the symbol";
}

} // namespace

namespace {

// A result view in its popover, over a state of its own.
struct PopoverWithView
{
    PopoverWithView() { popover.setContent(view); }

    QTemporaryDir dir;
    UserDefaults store{dir.path() + "/defaults.json"};
    LumenoObject lumeno{store};
    ResultPopover popover;
    ResultView *view =
        new ResultView(new ContentView(&lumeno, QImage(20, 20, QImage::Format_RGB32)));
};

TEST(ResultAlert, StaysOnTheScreenWhenThePopoverHangsAtItsEdge)
{
    PopoverWithView shown;
    ResultPopover &popover = shown.popover;
    ResultView *view = shown.view;
    popover.showAt(QRect());
    view->contentView()->setIsShowAlert(true);
    view->contentView()->setAlertMessage(
        "No returned value. Remote server is unaccessible, please contact the support team.");
    ASSERT_TRUE(view->alert());
    const QRect available = popover.screen()->availableGeometry();
    EXPECT_TRUE(available.contains(view->alert()->geometry()))
        << view->alert()->geometry().x() << "," << view->alert()->geometry().y() << " "
        << view->alert()->width() << "x" << view->alert()->height();
}

// The tray icon at each corner of the screen, the alert written as the recognition and
// translation roads write it: the flag first, then the message.
class ResultAlertAtTray : public ::testing::TestWithParam<Qt::Corner>
{
};

TEST_P(ResultAlertAtTray, LiesInsideTheScreenOnceItHasItsText)
{
    PopoverWithView shown;
    ResultPopover &popover = shown.popover;
    ResultView *view = shown.view;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QRect icon(QPoint(), QSize(22, 22));
    switch (GetParam()) {
    case Qt::TopLeftCorner:
        icon.moveTopLeft(available.topLeft());
        break;
    case Qt::TopRightCorner:
        icon.moveTopRight(available.topRight());
        break;
    case Qt::BottomLeftCorner:
        icon.moveBottomLeft(available.bottomLeft());
        break;
    case Qt::BottomRightCorner:
        icon.moveBottomRight(available.bottomRight());
        break;
    }
    popover.showAt(icon);

    view->contentView()->setIsShowAlert(true);
    view->contentView()->setAlertMessage(
        "No returned value. Remote server is unaccessible, please contact the support team.");
    QTRY_VERIFY(view->alert() && view->alert()->isVisible());
    const QRect box = view->alert()->frameGeometry();
    EXPECT_TRUE(available.contains(box))
        << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
    EXPECT_EQ(view->alert()->text(), view->contentView()->alertMessage());
}

std::string cornerName(const ::testing::TestParamInfo<Qt::Corner> &info)
{
    static const std::map<Qt::Corner, std::string> names{{Qt::TopLeftCorner, "topLeft"},
                                                         {Qt::TopRightCorner, "topRight"},
                                                         {Qt::BottomLeftCorner, "bottomLeft"},
                                                         {Qt::BottomRightCorner, "bottomRight"}};
    return names.at(info.param);
}

INSTANTIATE_TEST_SUITE_P(Corners, ResultAlertAtTray,
                         ::testing::Values(Qt::TopLeftCorner, Qt::TopRightCorner,
                                           Qt::BottomLeftCorner, Qt::BottomRightCorner),
                         cornerName);

} // namespace

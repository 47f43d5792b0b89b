// The preferences window on the offscreen platform: its pages, the commit of "OK", the Local
// page's handlers and the shortcut recorder, driven through the widgets as a user would.
#include "FakeGlobalHotKey.h"
#include "GeneralView.h"
#include "GoogleApiView.h"
#include "LanguageTables.h"
#include "LanguageView.h"
#include "LocalView.h"
#include "LumenoObject.h"
#include "NoBorderButtonStyle.h"
#include "NotificationNames.h"
#include "NotificationRecorder.h"
#include "PreferenceView.h"
#include "PreferenceWindow.h"
#include "Settings.h"
#include "ShortcutKeyBox.h"
#include "ShortcutsView.h"
#include "TranslateView.h"
#include "UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace lumeno;
using lumeno::test::NotificationRecorder;

namespace {

const QString kHotKeySet = QString::fromLatin1(NotificationNames::HotKeySetSucceed);
const QString kPreferenceSet = QString::fromLatin1(NotificationNames::PreferenceSetSucceed);

// A shell's worth of state: the store, the shared state object loaded from it with the default
// hot key grabbed, and the windows opened over them.
class Preferences : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        makeStore(m_dir.filePath("defaults.json"));
    }

    void TearDown() override
    {
        for (const QPointer<PreferenceWindow> &window : m_windows)
            delete window.data();
    }

    void makeStore(const QString &path, const QJsonObject &stored = {})
    {
        m_defaults = std::make_unique<UserDefaults>(path);
        for (auto it = stored.begin(); it != stored.end(); ++it)
            ASSERT_TRUE(m_defaults->setValue(it.key(), it.value()).ok);
        loadSharedObject();
    }

    // A new run over the store as it stands, with its hot key grabbed.
    void loadSharedObject()
    {
        if (m_shared && m_shared->currentHotKeyRef())
            m_hotKey.unregisterHotKey(*m_shared->currentHotKeyRef());
        m_shared = std::make_unique<LumenoObject>(*m_defaults);
        m_shared->setCurrentHotKeyRef(m_hotKey.registerHotKey(14, 0x300, 0).ref);
    }

    PreferenceWindow *open(int tab = PreferenceView::General)
    {
        auto *window = makePreferenceWindow(*m_shared, {*m_defaults, m_hotKey, [this](QWidget *) {
                                                            ++folderQuestions;
                                                            return folderAnswer;
                                                        }});
        m_windows.push_back(window);
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
        window->preferenceView()->setSelectedTab(tab);
        return window;
    }

    template <typename Page> Page *page(PreferenceWindow *window, int tab)
    {
        return qobject_cast<Page *>(window->preferenceView()->tabView()->widget(tab));
    }

    QJsonObject storedFile() const
    {
        QFile file(m_defaults->filePath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    static void pressOk(PreferenceWindow *window)
    {
        QTest::mouseClick(window->preferenceView()->okButton(), Qt::LeftButton);
    }

    QTemporaryDir m_dir;
    FakeGlobalHotKey m_hotKey;
    std::unique_ptr<UserDefaults> m_defaults;
    std::unique_ptr<LumenoObject> m_shared;
    std::vector<QPointer<PreferenceWindow>> m_windows;
    std::optional<QString> folderAnswer;
    int folderQuestions = 0;
};

// --- the window ---

TEST_F(Preferences, OpensAsAFixedTitledWindowWithSixPagesAndTheGeneralPageOnScreen)
{
    PreferenceWindow *window = makePreferenceWindow(*m_shared, {*m_defaults, m_hotKey});
    m_windows.push_back(window);
    EXPECT_EQ(window->windowTitle(), "Preference");
    EXPECT_EQ(window->size(), QSize(550, 300));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window->geometry().center() - available.center()).manhattanLength(), 2);

    PreferenceView *view = window->preferenceView();
    QStringList labels;
    for (int i = 0; i < view->tabView()->count(); ++i)
        labels << view->tabView()->tabText(i);
    EXPECT_EQ(labels, QStringList({"General", "Shortcuts", "Local", "GoogleAPI", "Translate",
                                   "OCR Language"}));
    EXPECT_EQ(view->selectedTab(), PreferenceView::General);
    EXPECT_EQ(view->okButton()->text(), "OK");
    EXPECT_EQ(view->okButton()->width(), 50);
    EXPECT_FALSE(view->showAlert());
}

TEST_F(Preferences, WorkingCopiesComeFromTheStoreNotFromTheSharedObject)
{
    makeStore(m_dir.filePath("defaults.json"), {{"GoogleAPIKey", "stored key"}});
    m_shared->setWhetherToSavePNG(true);
    m_shared->setSavePNGUrl("/shared/1.png");
    m_shared->setGoogleAPIKey("live key");
    PreferenceWindow *window = open();
    auto *local = page<LocalView>(window, PreferenceView::Local);
    EXPECT_FALSE(local->savePngState());
    EXPECT_FALSE(local->savePdfState());
    EXPECT_EQ(local->savePngPath(), "");
    EXPECT_EQ(local->savePdfPath(), "");
    EXPECT_EQ(page<GoogleApiView>(window, PreferenceView::GoogleAPI)->googleKey(), "stored key");
    EXPECT_EQ(m_shared->savePNGUrl(), "/shared/1.png") << "opening changes nothing shared";
}

TEST_F(Preferences, TheGoogleKeyIsShownOnlyWhileItIsEdited)
{
    PreferenceWindow *window = open(PreferenceView::GoogleAPI);
    EXPECT_EQ(page<GoogleApiView>(window, PreferenceView::GoogleAPI)->keyField()->echoMode(),
              QLineEdit::PasswordEchoOnEdit);
}

// --- "OK" on each page ---

struct CommitCase
{
    const char *name;
    int tab;
    // What the user does on the page before "OK".
    std::function<void(Preferences &, PreferenceWindow *)> edit;
    QJsonObject stored;
    QStringList posts;
    std::function<void(const LumenoObject &)> sharedAfter;
};

class Commit : public Preferences, public ::testing::WithParamInterface<CommitCase>
{
public:
    using Preferences::folderAnswer;
    using Preferences::page;
};

TEST_P(Commit, StoresItsPageWithTheRightTypesAndPostsInOrder)
{
    const CommitCase &c = GetParam();
    PreferenceWindow *window = open(c.tab);
    c.edit(*this, window);
    NotificationRecorder recorder({kHotKeySet, kPreferenceSet});
    pressOk(window);

    EXPECT_EQ(storedFile(), c.stored);
    ASSERT_EQ(recorder.names(), c.posts);
    for (const Notification &post : recorder.posts) {
        if (post.name == kPreferenceSet) {
            EXPECT_EQ(post.object.typeId(), QMetaType::QString);
            EXPECT_EQ(post.object.toString(), "");
        } else {
            EXPECT_FALSE(post.object.isValid()) << "no object";
        }
    }
    c.sharedAfter(*m_shared);
}

void recordKey(PreferenceWindow *window, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    auto *shortcuts = qobject_cast<ShortcutsView *>(
        window->preferenceView()->tabView()->widget(PreferenceView::Shortcuts));
    QTest::mouseClick(shortcuts->keyBox(), Qt::LeftButton);
    QTest::keyClick(window->windowHandle(), key, modifiers);
}

void chooseMenuRow(QPushButton *menuButton, int row)
{
    menuButton->menu()->actions().at(row)->trigger();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, Commit,
    ::testing::Values(
        CommitCase{"General",
                   PreferenceView::General,
                   [](Preferences &, PreferenceWindow *w) {
                       auto *general = qobject_cast<GeneralView *>(
                           w->preferenceView()->tabView()->widget(PreferenceView::General));
                       QTest::mouseClick(general->soundSwitch(), Qt::LeftButton);
                   },
                   {},
                   {kPreferenceSet},
                   [](const LumenoObject &shared) { EXPECT_EQ(shared.hotKey(), "⇧⌘E"); }},
        CommitCase{
            "Shortcuts",
            PreferenceView::Shortcuts,
            [](Preferences &, PreferenceWindow *w) {
                recordKey(w, Qt::Key_K, Qt::MetaModifier | Qt::AltModifier);
            },
            {{"hotKey", "⌃⌥K"}, {"ModifierFlags", 0}, {"eventCharacters", "K"}, {"keyCode", 40}},
            {kHotKeySet, kPreferenceSet},
            [](const LumenoObject &shared) {
                EXPECT_EQ(shared.hotKey(), "⌃⌥K");
                EXPECT_EQ(shared.keyCode(), 40u);
            }},
        CommitCase{"Local",
                   PreferenceView::Local,
                   [](Preferences &f, PreferenceWindow *w) {
                       auto *local = qobject_cast<LocalView *>(
                           w->preferenceView()->tabView()->widget(PreferenceView::Local));
                       static_cast<Commit &>(f).folderAnswer = "/tmp/pictures";
                       QTest::mouseClick(local->pngRow()->stateSwitch(), Qt::LeftButton);
                       QTest::mouseClick(local->pngRow()->chooseButton(), Qt::LeftButton);
                   },
                   {},
                   {kPreferenceSet},
                   [](const LumenoObject &shared) {
                       EXPECT_TRUE(shared.whetherToSavePNG());
                       EXPECT_EQ(shared.savePNGUrl(), "/tmp/pictures/1.png");
                       EXPECT_FALSE(shared.whetherToSavePDF());
                       EXPECT_EQ(shared.savePDFUrl(), "");
                   }},
        CommitCase{
            "GoogleAPI",
            PreferenceView::GoogleAPI,
            [](Preferences &, PreferenceWindow *w) {
                auto *google = qobject_cast<GoogleApiView *>(
                    w->preferenceView()->tabView()->widget(PreferenceView::GoogleAPI));
                QTest::keyClicks(google->keyField(), " AIza key ");
            },
            {{"GoogleAPIKey", " AIza key "}},
            {kPreferenceSet},
            [](const LumenoObject &shared) { EXPECT_EQ(shared.googleAPIKey(), " AIza key "); }},
        CommitCase{"Translate",
                   PreferenceView::Translate,
                   [](Preferences &, PreferenceWindow *w) {
                       auto *translate = qobject_cast<TranslateView *>(
                           w->preferenceView()->tabView()->widget(PreferenceView::Translate));
                       chooseMenuRow(translate->targetMenuButton(), 10);
                   },
                   {{"TranslateName", "German "}, {"TranslateCode", "de"}},
                   {kPreferenceSet},
                   [](const LumenoObject &shared) {
                       EXPECT_EQ(shared.selectedTranslateName(), "German ");
                       EXPECT_EQ(shared.translateTargetCode(), "de");
                   }},
        CommitCase{"OCRLanguage",
                   PreferenceView::OCRLanguage,
                   [](Preferences &, PreferenceWindow *w) {
                       auto *language = qobject_cast<LanguageView *>(
                           w->preferenceView()->tabView()->widget(PreferenceView::OCRLanguage));
                       chooseMenuRow(language->languageMenuButton(), 6);
                   },
                   {{"LanguageName", "Thailand"}, {"LanguageCode", "THA"}},
                   {kPreferenceSet},
                   [](const LumenoObject &shared) {
                       EXPECT_EQ(shared.selectedLanName(), "Thailand");
                       EXPECT_EQ(shared.selectedLanCode(), "THA");
                   }}),
    [](const ::testing::TestParamInfo<CommitCase> &info) { return info.param.name; });

TEST_F(Preferences, OkOnAnUntouchedTranslatePageWritesBackTheLoadedTarget)
{
    makeStore(m_dir.filePath("defaults.json"),
              {{"TranslateName", "French"}, {"TranslateCode", "fra"}});
    ASSERT_TRUE(m_defaults->removeObject("TranslateName").ok);
    ASSERT_TRUE(m_defaults->removeObject("TranslateCode").ok);
    PreferenceWindow *window = open(PreferenceView::Translate);
    pressOk(window);
    EXPECT_EQ(storedFile().value("TranslateName"), "French");
    EXPECT_EQ(storedFile().value("TranslateCode"), "fra");
}

TEST_F(Preferences, OkOnTheShortcutsPageWithAnEmptyShortcutStoresAndAnnouncesNoKey)
{
    PreferenceWindow *window = open(PreferenceView::Shortcuts);
    auto *shortcuts = page<ShortcutsView>(window, PreferenceView::Shortcuts);
    QTest::mouseClick(shortcuts->keyBox(), Qt::LeftButton);
    ASSERT_EQ(m_shared->hotKey(), "");
    NotificationRecorder recorder({kHotKeySet, kPreferenceSet});
    pressOk(window);
    EXPECT_EQ(recorder.names(), QStringList{kPreferenceSet});
    EXPECT_TRUE(storedFile().isEmpty());
}

TEST_F(Preferences, ClosingWithoutOkAnnouncesTheHotKeyOnceAndStoresNothing)
{
    PreferenceWindow *window = open(PreferenceView::GoogleAPI);
    QTest::keyClicks(page<GoogleApiView>(window, PreferenceView::GoogleAPI)->keyField(), "typed");
    QPointer<PreferenceWindow> alive(window);
    NotificationRecorder recorder({kHotKeySet, kPreferenceSet});
    testing::internal::CaptureStdout();
    window->close();
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Window will close\n");
    EXPECT_EQ(recorder.names(), QStringList{kHotKeySet});
    EXPECT_TRUE(storedFile().isEmpty());
    EXPECT_EQ(m_shared->googleAPIKey(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); })) << "a closed window goes away";
}

TEST_F(Preferences, ClosingWithoutOkKeepsTheStoredValuesWhateverThePagesHeld)
{
    // Stored as "OK" on each page stores them, in its order.
    ASSERT_TRUE(store(*m_defaults, Settings::GoogleAPIKey, "stored key").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::hotKey, "⌃⌥K").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::ModifierFlags, quint64(0)).ok);
    ASSERT_TRUE(store(*m_defaults, Settings::eventCharacters, "K").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::keyCode, quint32(40)).ok);
    ASSERT_TRUE(store(*m_defaults, Settings::TranslateName, "French").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::TranslateCode, "fra").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::LanguageName, "Japanese").ok);
    ASSERT_TRUE(store(*m_defaults, Settings::LanguageCode, "JAP").ok);
    loadSharedObject();
    const QJsonObject before = storedFile();
    ASSERT_EQ(before.size(), 9);

    PreferenceWindow *window = open(PreferenceView::GoogleAPI);
    QTest::keyClicks(page<GoogleApiView>(window, PreferenceView::GoogleAPI)->keyField(), " typed");
    window->preferenceView()->setSelectedTab(PreferenceView::Shortcuts);
    recordKey(window, Qt::Key_R, Qt::ControlModifier);
    window->preferenceView()->setSelectedTab(PreferenceView::Translate);
    chooseMenuRow(page<TranslateView>(window, PreferenceView::Translate)->targetMenuButton(), 10);
    window->preferenceView()->setSelectedTab(PreferenceView::OCRLanguage);
    chooseMenuRow(page<LanguageView>(window, PreferenceView::OCRLanguage)->languageMenuButton(), 6);
    window->close();

    EXPECT_EQ(storedFile(), before);
    const UserDefaults reread(m_defaults->filePath());
    const LumenoObject nextRun(reread);
    EXPECT_EQ(nextRun.googleAPIKey(), "stored key");
    EXPECT_EQ(nextRun.hotKey(), "⌃⌥K");
    EXPECT_EQ(nextRun.eventCharacters(), "K");
    EXPECT_EQ(nextRun.keyCode(), 40u);
    EXPECT_EQ(nextRun.translateTargetCode(), "fra");
    EXPECT_EQ(nextRun.selectedLanCode(), "JAP");
    // The pages that edit the shared object keep their edits for the run; the key's working
    // copy is gone.
    EXPECT_EQ(m_shared->hotKey(), "⌘R");
    EXPECT_EQ(m_shared->translateTargetCode(), "de");
    EXPECT_EQ(m_shared->selectedLanCode(), "THA");
    EXPECT_EQ(m_shared->googleAPIKey(), "stored key");
}

TEST_F(Preferences, AStoreThatCannotBeWrittenRaisesTheAlertAndKeepsTheWindowOpen)
{
    // The store's folder would have to be made inside a plain file.
    QFile blocker(m_dir.filePath("not-a-folder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    makeStore(m_dir.filePath("not-a-folder/defaults.json"));
    PreferenceWindow *window = open(PreferenceView::GoogleAPI);
    QTest::keyClicks(page<GoogleApiView>(window, PreferenceView::GoogleAPI)->keyField(), "k");
    NotificationRecorder recorder({kHotKeySet, kPreferenceSet});
    pressOk(window);

    PreferenceView *view = window->preferenceView();
    EXPECT_TRUE(recorder.names().isEmpty()) << "nothing says the settings were set";
    ASSERT_TRUE(view->showAlert());
    ASSERT_TRUE(view->alert());
    EXPECT_TRUE(view->alert()->text().startsWith("The settings could not be saved: "))
        << view->alert()->text().toStdString();
    EXPECT_EQ(view->alert()->windowTitle(), "");
    EXPECT_EQ(view->alert()->buttons().size(), 1);
    EXPECT_TRUE(window->isVisible());

    view->alert()->buttons().constFirst()->click();
    EXPECT_FALSE(view->showAlert()) << "dismissing resets the flag";
}

// --- the Local page ---

class LocalPage : public Preferences
{
protected:
    void SetUp() override
    {
        Preferences::SetUp();
        m_shared->setSavePNGUrl("/before/1.png");
        m_shared->setSavePDFUrl("/before/1.pdf");
        m_window = open(PreferenceView::Local);
        m_local = page<LocalView>(m_window, PreferenceView::Local);
    }
    LocalSaveRow *png() const { return m_local->pngRow(); }
    LocalSaveRow *pdf() const { return m_local->pdfRow(); }

    PreferenceWindow *m_window = nullptr;
    LocalView *m_local = nullptr;
};

TEST_F(LocalPage, ASwitchedOffRowShowsItsPathButTakesNoInput)
{
    EXPECT_FALSE(png()->pathField()->isEnabled());
    EXPECT_FALSE(png()->chooseButton()->isEnabled());
    QTest::mouseClick(png()->stateSwitch(), Qt::LeftButton);
    EXPECT_TRUE(png()->pathField()->isEnabled());
    EXPECT_TRUE(png()->chooseButton()->isEnabled());
    EXPECT_FALSE(pdf()->pathField()->isEnabled()) << "the halves are independent";
    EXPECT_EQ(png()->pathField()->width(), 270);
}

TEST_F(LocalPage, EveryToggleEmptiesTheFieldAndTheSharedPath)
{
    QTest::mouseClick(png()->stateSwitch(), Qt::LeftButton);
    EXPECT_EQ(m_shared->savePNGUrl(), "");
    QTest::keyClicks(png()->pathField(), "/typed/1.png");
    m_shared->setSavePNGUrl("/live/1.png");
    QTest::mouseClick(png()->stateSwitch(), Qt::LeftButton);
    EXPECT_EQ(png()->pathField()->text(), "");
    EXPECT_EQ(m_shared->savePNGUrl(), "");
    EXPECT_EQ(m_shared->savePDFUrl(), "/before/1.pdf");
}

TEST_F(LocalPage, BlanksOnlyEmptyTheFieldAndTheSharedPath)
{
    QTest::mouseClick(png()->stateSwitch(), Qt::LeftButton);
    m_shared->setSavePNGUrl("/live/1.png");
    QTest::keyClicks(png()->pathField(), "   ");
    EXPECT_EQ(png()->pathField()->text(), "");
    EXPECT_EQ(m_shared->savePNGUrl(), "");
}

TEST_F(LocalPage, APastedPathIsTrimmedAndReachesTheSharedObjectOnlyByOk)
{
    QTest::mouseClick(pdf()->stateSwitch(), Qt::LeftButton);
    m_shared->setSavePDFUrl("/live/1.pdf");
    pdf()->pathField()->insert(QStringLiteral(" /tmp/x.pdf\u2029"));
    EXPECT_EQ(pdf()->pathField()->text(), "/tmp/x.pdf");
    EXPECT_EQ(m_shared->savePDFUrl(), "/live/1.pdf");
    pdf()->pathField()->setCursorPosition(5);
    pdf()->pathField()->insert(QStringLiteral(" "));
    EXPECT_EQ(pdf()->pathField()->text(), "/tmp/ x.pdf") << "a blank inside a path stays";
    pressOk(m_window);
    EXPECT_EQ(m_shared->savePDFUrl(), "/tmp/ x.pdf");
    EXPECT_TRUE(m_shared->whetherToSavePDF());
    EXPECT_FALSE(m_shared->whetherToSavePNG());
    EXPECT_EQ(m_shared->savePNGUrl(), "") << "OK copies the empty PNG path too";
}

struct FolderCase
{
    const char *name;
    std::optional<QString> answer;
    QString pngPath;
    QString sharedPng;
};

class FolderChoice : public LocalPage, public ::testing::WithParamInterface<FolderCase>
{
};

TEST_P(FolderChoice, GoesToTheFieldAndTheSharedObjectAtOnceOrChangesNothing)
{
    QTest::mouseClick(png()->stateSwitch(), Qt::LeftButton);
    QTest::keyClicks(png()->pathField(), "/typed/1.png");
    m_shared->setSavePNGUrl("/live/1.png");
    folderAnswer = GetParam().answer;
    QTest::mouseClick(png()->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(folderQuestions, 1);
    EXPECT_EQ(png()->pathField()->text(), GetParam().pngPath);
    EXPECT_EQ(m_shared->savePNGUrl(), GetParam().sharedPng);
    EXPECT_EQ(pdf()->pathField()->text(), "");
    EXPECT_EQ(m_shared->savePDFUrl(), "/before/1.pdf");
}

INSTANTIATE_TEST_SUITE_P(
    Answers, FolderChoice,
    ::testing::Values(FolderCase{"folder", "/home/a/Pictures", "/home/a/Pictures/1.png",
                                 "/home/a/Pictures/1.png"},
                      FolderCase{"root", "/", "//1.png", "//1.png"},
                      FolderCase{"cancelled", std::nullopt, "/typed/1.png", "/live/1.png"}),
    [](const ::testing::TestParamInfo<FolderCase> &info) { return info.param.name; });

TEST_F(LocalPage, ThePdfHalfGetsItsOwnFileName)
{
    QTest::mouseClick(pdf()->stateSwitch(), Qt::LeftButton);
    folderAnswer = "/srv/out";
    QTest::mouseClick(pdf()->chooseButton(), Qt::LeftButton);
    EXPECT_EQ(pdf()->pathField()->text(), "/srv/out/1.pdf");
    EXPECT_EQ(m_shared->savePDFUrl(), "/srv/out/1.pdf");
    EXPECT_EQ(m_shared->savePNGUrl(), "/before/1.png");
}

// --- the shortcut recorder ---

class Recorder : public Preferences
{
protected:
    void SetUp() override
    {
        Preferences::SetUp();
        m_window = open(PreferenceView::Shortcuts);
        m_page = page<ShortcutsView>(m_window, PreferenceView::Shortcuts);
    }
    void tap() { QTest::mouseClick(m_page->keyBox(), Qt::LeftButton); }
    QString boxText() const { return m_page->keyBox()->textLabel()->text(); }
    bool buttonsShown() const
    {
        return m_page->keyBox()->backButton()->isVisible() &&
               m_page->keyBox()->clearButton()->isVisible();
    }

    PreferenceWindow *m_window = nullptr;
    ShortcutsView *m_page = nullptr;
};

TEST_F(Recorder, ATapStartsRecordingAndReleasesTheGlobalHotKey)
{
    EXPECT_EQ(boxText(), "⇧⌘E");
    EXPECT_FALSE(buttonsShown());
    tap();
    EXPECT_TRUE(m_shared->editHotKey());
    EXPECT_EQ(m_shared->hotKey(), "");
    EXPECT_EQ(boxText(), "Type something");
    EXPECT_TRUE(buttonsShown());
    EXPECT_FALSE(m_shared->currentHotKeyRef());
    EXPECT_TRUE(m_hotKey.active.empty());
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Unregister), 1u);
}

struct KeyCase
{
    const char *name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString hotKey;
    QString eventCharacters;
    quint32 keyCode;
};

class Recording : public Recorder, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(Recording, OneKeyPressBecomesTheShortcutAndStillReachesTheWindow)
{
    const KeyCase &c = GetParam();
    tap();
    int pressesSeen = 0;
    class Spy : public QObject
    {
    public:
        Spy(int &n, Qt::Key key) : m_n(n), m_key(key) {}
        bool eventFilter(QObject *, QEvent *e) override
        {
            m_n += e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == m_key;
            return false;
        }
        int &m_n;
        Qt::Key m_key;
    } spy(pressesSeen, c.key);
    ASSERT_TRUE(QApplication::focusWidget());
    QApplication::focusWidget()->installEventFilter(&spy);

    testing::internal::CaptureStdout();
    QTest::keyClick(m_window->windowHandle(), c.key, c.modifiers);
    const QString printed = QString::fromStdString(testing::internal::GetCapturedStdout());

    EXPECT_EQ(m_shared->hotKey(), c.hotKey);
    EXPECT_EQ(m_shared->eventCharacters(), c.eventCharacters);
    EXPECT_EQ(m_shared->keyCode(), c.keyCode);
    EXPECT_FALSE(m_shared->editHotKey()) << "one key ends the recording";
    EXPECT_EQ(m_page->capturedKey(), c.hotKey);
    EXPECT_EQ(boxText(), c.hotKey);
    EXPECT_FALSE(buttonsShown());
    EXPECT_EQ(pressesSeen, 1) << "the key press is not consumed";
    EXPECT_TRUE(printed.startsWith(QStringLiteral("keycode "))) << printed.toStdString();
    EXPECT_TRUE(printed.endsWith(QLatin1Char(' ') + c.hotKey + QLatin1Char('\n')))
        << printed.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Keys, Recording,
    ::testing::Values(
        KeyCase{"CtrlShiftE", Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier, "⇧⌘E", "E", 14},
        KeyCase{"AllFourWithF5", Qt::Key_F5,
                Qt::MetaModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier,
                "⌃⌥⇧⌘F5", "F5", 96},
        KeyCase{"ShiftDigitIsTheDigitKey", Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier,
                "⇧⌘1", "1", 18},
        KeyCase{"EscapeByName", Qt::Key_Escape, Qt::ControlModifier, "⌘Esc", "Esc", 53},
        KeyCase{"KeypadKeyByName", Qt::Key_5, Qt::KeypadModifier, "Num+5", "Num+5", 87},
        KeyCase{"KeyOutsideTheTableKeepsTheSignsOnly", Qt::Key_Eacute, Qt::AltModifier, "⌥", "",
                14}),
    [](const ::testing::TestParamInfo<KeyCase> &info) { return info.param.name; });

TEST_F(Recorder, AModifierAloneAndItsReleaseRecordNothing)
{
    tap();
    QTest::keyPress(m_window->windowHandle(), Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(m_window->windowHandle(), Qt::Key_Alt, Qt::NoModifier);
    EXPECT_TRUE(m_shared->editHotKey());
    EXPECT_EQ(m_shared->hotKey(), "");
    EXPECT_EQ(boxText(), "Type something");
}

TEST_F(Recorder, KeysPressedWhileNotRecordingChangeNothing)
{
    QTest::keyClick(m_window->windowHandle(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(m_shared->hotKey(), "⇧⌘E");
    EXPECT_EQ(m_shared->keyCode(), 14u);
    EXPECT_EQ(m_hotKey.active.size(), 1u);
}

TEST_F(Recorder, TappingTwiceLeavesTheShortcutEmptyAndUnregistered)
{
    tap();
    tap();
    EXPECT_FALSE(m_shared->editHotKey());
    EXPECT_EQ(m_shared->hotKey(), "");
    EXPECT_EQ(boxText(), "");
    EXPECT_TRUE(m_hotKey.active.empty());
    EXPECT_EQ(m_hotKey.count(FakeGlobalHotKey::Call::Register), 1u) << "only the shell's own";
}

TEST_F(Recorder, BackPutsTheStoredShortcutOrControlCommandEBack)
{
    EXPECT_EQ(m_page->capturedKey(), "⌃⌘E") << "nothing stored: not the state's default";
    tap();
    QTest::mouseClick(m_page->keyBox()->backButton(), Qt::LeftButton);
    EXPECT_FALSE(m_shared->editHotKey());
    EXPECT_EQ(m_shared->hotKey(), "⌃⌘E");
    EXPECT_TRUE(storedFile().isEmpty());
}

TEST_F(Recorder, ClearEmptiesTheShortcutAndKeepsRecording)
{
    tap();
    QTest::keyClick(m_window->windowHandle(), Qt::Key_K, Qt::ControlModifier);
    tap();
    QTest::mouseClick(m_page->keyBox()->clearButton(), Qt::LeftButton);
    EXPECT_TRUE(m_shared->editHotKey());
    EXPECT_EQ(m_shared->hotKey(), "");
    EXPECT_EQ(m_page->capturedKey(), "⌘K") << "back would bring the last recording";
}

TEST_F(Recorder, TheMonitorWatchesOnlyWhileThePageIsOnScreen)
{
    EXPECT_TRUE(m_page->isMonitorInstalled());
    m_window->preferenceView()->setSelectedTab(PreferenceView::General);
    EXPECT_FALSE(m_page->isMonitorInstalled());
    m_window->preferenceView()->setSelectedTab(PreferenceView::Shortcuts);
    EXPECT_TRUE(m_page->isMonitorInstalled());
    m_window->hide();
    EXPECT_FALSE(m_page->isMonitorInstalled());
}

TEST_F(Recorder, RecordingOutlivesThePageInTheSharedObject)
{
    tap();
    m_window->close();
    PreferenceWindow *again = open(PreferenceView::Shortcuts);
    auto *shortcuts = page<ShortcutsView>(again, PreferenceView::Shortcuts);
    EXPECT_EQ(shortcuts->keyBox()->textLabel()->text(), "Type something");
    QTest::keyClick(again->windowHandle(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(m_shared->hotKey(), "⌘R");
}

// --- the language pages ---

TEST_F(Preferences, TheLanguageMenusListTheNamesVerbatimAndFollowTheSharedObject)
{
    PreferenceWindow *window = open(PreferenceView::Translate);
    auto *translate = page<TranslateView>(window, PreferenceView::Translate);
    auto *language = page<LanguageView>(window, PreferenceView::OCRLanguage);
    for (QPushButton *menu : {translate->targetMenuButton(), language->languageMenuButton()}) {
        QStringList titles;
        for (const QAction *action : menu->menu()->actions())
            titles << action->text();
        EXPECT_EQ(titles, LanguageTables::languageArray());
    }
    EXPECT_EQ(translate->targetMenuButton()->text(), "English");
    chooseMenuRow(translate->targetMenuButton(), 6);
    EXPECT_EQ(m_shared->selectedTranslateName(), "Thailand");
    EXPECT_EQ(m_shared->translateTargetCode(), "th");
    EXPECT_EQ(translate->targetMenuButton()->text(), "Thailand");

    chooseMenuRow(language->languageMenuButton(), 0);
    EXPECT_EQ(m_shared->selectedLanName(), "Chinese-Simplified");
    EXPECT_EQ(m_shared->selectedLanCode(), "CHN_ENG");
    EXPECT_EQ(language->languageMenuButton()->text(), "Chinese-Simplified");
    EXPECT_TRUE(storedFile().isEmpty()) << "a choice lasts for the run until OK";
}

TEST_F(Preferences, EveryOcrLanguageNameStoresItsOwnLanguagesCode)
{
    PreferenceWindow *window = open(PreferenceView::OCRLanguage);
    auto *language = page<LanguageView>(window, PreferenceView::OCRLanguage);
    const QStringList names = LanguageTables::languageArray();
    for (int i = 0; i < names.size(); ++i) {
        chooseMenuRow(language->languageMenuButton(), i);
        EXPECT_EQ(m_shared->selectedLanName(), names.at(i));
        EXPECT_EQ(m_shared->selectedLanCode(), LanguageTables::ocrCodeForLanguage().at(i));
    }
    chooseMenuRow(language->languageMenuButton(), names.indexOf("Vietnamese"));
    EXPECT_EQ(m_shared->selectedLanCode(), "VIE");
}

TEST_F(Preferences, TheAutomaticEntryIsABareLabelThatChangesNothing)
{
    PreferenceWindow *window = open(PreferenceView::OCRLanguage);
    auto *language = page<LanguageView>(window, PreferenceView::OCRLanguage);
    QPushButton *automatic = language->automaticButton();
    EXPECT_EQ(automatic->text(), "Automatic");
    EXPECT_TRUE(qobject_cast<NoBorderButtonStyle *>(automatic->style()));
    EXPECT_TRUE(language->isSelected());
    const QString code = m_shared->selectedLanCode();
    QTest::mouseClick(automatic, Qt::LeftButton);
    EXPECT_EQ(m_shared->selectedLanCode(), code);
}

TEST(NoBorderButtonStyle, DrawsOnlyTheLabelAndTheSameWhilePressed)
{
    QWidget host;
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Button, Qt::red);
    host.setPalette(palette);
    host.setAutoFillBackground(true);
    auto *button = new QPushButton(&host);
    NoBorderButtonStyle::apply(button);
    button->setText("Automatic");
    EXPECT_EQ(button->sizeHint(), button->fontMetrics().size(Qt::TextShowMnemonic, "Automatic"))
        << "no padding around the label";
    button->resize(button->sizeHint() + QSize(20, 20));
    host.resize(button->size());
    const QImage up = host.grab().toImage();
    button->setDown(true);
    const QImage down = host.grab().toImage();
    EXPECT_EQ(up, down);
    for (int x = 0; x < up.width(); ++x)
        ASSERT_NE(up.pixelColor(x, 1), QColor(Qt::red)) << "no bezel in the button colour";
}

TEST_F(Preferences, TheGeneralSwitchIsOnAtEveryOpeningAndStoredNowhere)
{
    PreferenceWindow *first = open();
    auto *general = page<GeneralView>(first, PreferenceView::General);
    EXPECT_TRUE(general->isOn());
    EXPECT_EQ(general->soundSwitch()->text(), "Enable Sound");
    QTest::mouseClick(general->soundSwitch(), Qt::LeftButton);
    EXPECT_FALSE(general->isOn());
    pressOk(first);
    EXPECT_TRUE(page<GeneralView>(open(), PreferenceView::General)->isOn());
}

} // namespace

namespace {

// Every page fits the fixed window: no control is pushed out of it or squeezed below the height
// it needs. The pictures stay in the build folder for a look.
TEST_F(Preferences, EveryPageFitsTheWindowUnsqueezed)
{
    PreferenceWindow *window = open();
    QTabWidget *tabs = window->preferenceView()->tabView();
    QDir().mkpath(QStringLiteral(LUMENO_TEST_ARTIFACTS));
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
        for (QWidget *child : tabs->widget(tab)->findChildren<QWidget *>()) {
            if (!child->isVisible() || child->isWindow())
                continue;
            const QRect inWindow(child->mapTo(window, QPoint()), child->size());
            EXPECT_TRUE(window->rect().contains(inWindow))
                << tabs->tabText(tab).toStdString() << ": " << child->metaObject()->className();
            EXPECT_GE(child->height(), child->minimumSizeHint().height())
                << tabs->tabText(tab).toStdString() << ": " << child->metaObject()->className();
        }
        window->grab().save(QStringLiteral(LUMENO_TEST_ARTIFACTS "/preferences-%1.png")
                                .arg(tabs->tabText(tab).replace(' ', '-')));
    }
}

} // namespace

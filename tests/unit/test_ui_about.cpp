// The About window's content: its version strings by the information dictionary's rules, and
// the window around it.
#include "AboutView.h"
#include "AboutWindowController.h"
#include "Version.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace lumeno;

namespace {

QStringList texts(const QWidget &view)
{
    QStringList result;
    for (const QLabel *label : view.findChildren<QLabel *>())
        if (!label->text().isEmpty())
            result << label->text();
    return result;
}

struct InfoCase
{
    const char *name;
    std::optional<QJsonObject> dictionary;
    QString version;
    QString build;
};

class AboutVersions : public ::testing::TestWithParam<InfoCase>
{
};

TEST_P(AboutVersions, AreTheDictionarysTextsOrUnknown)
{
    const AboutView view(GetParam().dictionary);
    EXPECT_EQ(view.appVersion(), GetParam().version);
    EXPECT_EQ(view.buildVersion(), GetParam().build);
    const QStringList shown = texts(view);
    EXPECT_TRUE(shown.contains("Version " + GetParam().version)) << shown.join('|').toStdString();
    EXPECT_TRUE(shown.contains("Build " + GetParam().build)) << shown.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Dictionaries, AboutVersions,
    ::testing::Values(
        InfoCase{"texts",
                 QJsonObject{{"CFBundleShortVersionString", "2.3"}, {"CFBundleVersion", "41"}},
                 "2.3", "41"},
        InfoCase{"buildAsNumber",
                 QJsonObject{{"CFBundleShortVersionString", "2.3"}, {"CFBundleVersion", 41}}, "2.3",
                 "Unknown"},
        InfoCase{"missingKeys", QJsonObject{}, "Unknown", "Unknown"},
        InfoCase{"noDictionary", std::nullopt, "Unknown", "Unknown"}),
    [](const ::testing::TestParamInfo<InfoCase> &info) { return info.param.name; });

TEST(AboutView, TheBuildsOwnDictionaryGivesTheProjectVersion)
{
    const AboutView view;
    EXPECT_EQ(view.appVersion(), QString::fromLatin1(kVersion));
    EXPECT_EQ(view.buildVersion(), QString::fromLatin1(kBuildNumber));
    EXPECT_NE(view.buildVersion(), "Unknown");
}

TEST(AboutView, ShowsTheImageNameDescriptionAndWebSite)
{
    const AboutView view;
    EXPECT_EQ(view.size(), QSize(450, 380));
    const QStringList shown = texts(view);
    EXPECT_TRUE(shown.contains("LumenoOCR"));
    EXPECT_TRUE(shown.contains("Lumeno OCR for Linux is designed to capture screenshot and turn "
                               "uncopyable text into editable text. Simple and easy to use."));
    EXPECT_TRUE(shown.contains("Website: " + QString::fromLatin1(kHomePage)));
    bool image = false;
    for (const QLabel *label : view.findChildren<QLabel *>())
        image |= label->size() == QSize(100, 100) && !label->pixmap().isNull();
    EXPECT_TRUE(image) << "the program's image at 100 x 100";
}

// Marks every text it is asked for, so that a label shown unmarked was never looked up.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        return QLatin1Char('[') + QString::fromUtf8(sourceText) + QLatin1Char(']');
    }
};

TEST(AboutView, EveryFixedTextIsLookedUpAndTheValuesFollowTheirLabels)
{
    MarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const AboutView view(
        QJsonObject{{"CFBundleShortVersionString", "2.3"}, {"CFBundleVersion", "41"}});
    QCoreApplication::removeTranslator(&translator);
    QStringList shown = texts(view);
    shown.sort();
    QStringList expected{"[LumenoOCR]", "[Version ]2.3", "[Build ]41",
                         "[Lumeno OCR for Linux is designed to capture screenshot and turn "
                         "uncopyable text into editable text. Simple and easy to use.]",
                         "[Website: ]" + QString::fromLatin1(kHomePage)};
    expected.sort();
    EXPECT_EQ(shown, expected);
}

TEST(AboutWindowController, IsAFixedTitledWindowThatDeletesItselfWhenClosed)
{
    QPointer<AboutWindowController> window = new AboutWindowController;
    EXPECT_EQ(window->windowTitle(), "About");
    EXPECT_EQ(window->size(), QSize(450, 380));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QDir().mkpath(QStringLiteral(LUMENO_TEST_ARTIFACTS));
    window->grab().save(QStringLiteral(LUMENO_TEST_ARTIFACTS "/about.png"));
    window->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }));
}

} // namespace

#include "LanguageTables.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "Settings.h"
#include "UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace lumeno;

namespace {

// While it lives, the process obeys file modes as any user's would: the superuser's right to
// read and write past them is out of its effective set (and comes back after), so that a test
// of an unreadable file means the same when the tests run as root.
class FileModesObeyed
{
public:
    FileModesObeyed()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = ::syscall(SYS_capset, &m_header, lowered) == 0;
    }
    ~FileModesObeyed()
    {
        if (m_active)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesObeyed(const FileModesObeyed &) = delete;
    FileModesObeyed &operator=(const FileModesObeyed &) = delete;
    bool active() const { return m_active; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_active = false;
};

class StoreTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + "/conf/defaults.json"; }

    void writeFile(const QByteArray &bytes)
    {
        QDir().mkdir(QFileInfo(path()).absolutePath(),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void writeJson(const QJsonObject &object) { writeFile(QJsonDocument(object).toJson()); }

    static unsigned mode(const QString &file)
    {
        struct stat status
        {
        };
        EXPECT_EQ(::stat(QFile::encodeName(file).constData(), &status), 0) << file.toStdString();
        return status.st_mode & 0777;
    }

    QTemporaryDir m_dir;
};

TEST_F(StoreTest, EmptyStoreGivesTheDefaults)
{
    const UserDefaults store(path());
    const LumenoObject object(store);
    EXPECT_EQ(object.selectedLanCode(), "ENG");
    EXPECT_EQ(object.selectedLanName(), "English");
    EXPECT_EQ(object.selectedTranslateName(), "English");
    EXPECT_EQ(object.translateTargetCode(), "en");
    EXPECT_EQ(object.hotKey(), QString::fromUtf8("\xE2\x87\xA7\xE2\x8C\x98"
                                                 "E"));
    EXPECT_EQ(object.hotKey().toUtf8().size(), 7);
    EXPECT_EQ(object.modifierFlags(), 0u);
    EXPECT_EQ(object.eventCharacters(), "E");
    EXPECT_EQ(object.keyCode(), 14u);
    EXPECT_EQ(object.googleAPIKey(), "");
    EXPECT_FALSE(object.whetherToSavePNG());
    EXPECT_FALSE(object.whetherToSavePDF());
    EXPECT_EQ(object.savePNGUrl(), "");
    EXPECT_EQ(object.savePDFUrl(), "");
    EXPECT_EQ(object.ocrModeType(), OcrModeType::baidu);
    EXPECT_FALSE(object.editHotKey());
    EXPECT_FALSE(object.currentHotKeyRef().has_value());
    EXPECT_FALSE(QFile::exists(path())) << "reading must not create the file";
}

TEST_F(StoreTest, StoredTextsAreTakenAsTheyAreAndNumbersAsTheirText)
{
    writeJson({{"LanguageCode", ""},
               {"LanguageName", "Japanese"},
               {"TranslateName", "German "},
               {"TranslateCode", 42},
               {"hotKey", "\u2303\u2325K"},
               {"eventCharacters", "K"},
               {"GoogleAPIKey", "abc def"}});
    const UserDefaults store(path());
    const LumenoObject object(store);
    EXPECT_EQ(object.selectedLanCode(), "") << "an empty stored text is no absent one";
    EXPECT_EQ(object.selectedLanName(), "Japanese");
    EXPECT_EQ(object.selectedTranslateName(), "German ");
    EXPECT_EQ(object.translateTargetCode(), "42");
    EXPECT_EQ(object.hotKey(), QString::fromUtf8("\u2303\u2325K"));
    EXPECT_EQ(object.eventCharacters(), "K");
    EXPECT_EQ(object.googleAPIKey(), "abc def");
}

TEST_F(StoreTest, TextKeysHoldingOtherValuesFallBackToTheDefault)
{
    writeJson({{"LanguageCode", true}, {"LanguageName", QJsonObject{}}, {"hotKey", QJsonValue()}});
    const UserDefaults store(path());
    const LumenoObject object(store);
    EXPECT_EQ(object.selectedLanCode(), "ENG");
    EXPECT_EQ(object.selectedLanName(), "English");
    EXPECT_EQ(object.hotKey(), QString::fromUtf8("\u21E7\u2318E"));
}

struct NumberCase
{
    const char *name;
    QJsonValue keyCode;
    quint32 expectedKeyCode;
    QJsonValue modifierFlags;
    quint64 expectedFlags;
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << c.name;
}

class NumberLoading : public StoreTest, public ::testing::WithParamInterface<NumberCase>
{
};

TEST_P(NumberLoading, OnlyExactlyConvertibleNumbersAreTaken)
{
    const NumberCase &c = GetParam();
    writeJson({{"keyCode", c.keyCode}, {"ModifierFlags", c.modifierFlags}});
    const UserDefaults store(path());
    const LumenoObject object(store);
    EXPECT_EQ(object.keyCode(), c.expectedKeyCode);
    EXPECT_EQ(object.modifierFlags(), c.expectedFlags);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NumberLoading,
    ::testing::Values(
        NumberCase{"plain", 3, 3, 1179914, 1179914}, NumberCase{"negative", -1, 14, -1, 0},
        NumberCase{"justTooLarge", qint64(4294967296), 14, 0, 0},
        NumberCase{"largest", qint64(4294967295), 4294967295u, qint64(1) << 62, quint64(1) << 62},
        NumberCase{"text", "20", 14, "1048576", 0}, NumberCase{"wholeDouble", 15.0, 15, 256.0, 256},
        NumberCase{"fraction", 1.5, 14, 0.25, 0}, NumberCase{"boolean", true, 14, true, 0},
        NumberCase{"twoToThe64", 18446744073709551616.0, 14, 18446744073709551616.0, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StoreTest, SessionOnlyFieldsAreNeverLoaded)
{
    writeJson({{"ocrModeType", 1}, {"whetherToSavePNG", true}, {"savePNGUrl", "/tmp/1.png"}});
    const UserDefaults store(path());
    LumenoObject shell(store);
    shell.setOcrModeType(OcrModeType::google);
    shell.setWhetherToSavePNG(true);
    const LumenoObject fresh(store);
    EXPECT_EQ(fresh.ocrModeType(), OcrModeType::baidu);
    EXPECT_FALSE(fresh.whetherToSavePNG());
    EXPECT_EQ(fresh.savePNGUrl(), "");
}

TEST_F(StoreTest, WritesSurviveAReloadAndKeepTheirTypes)
{
    {
        UserDefaults store(path());
        ASSERT_TRUE(store.setValue(Settings::keyCode.key, 0).ok);
        ASSERT_TRUE(store.setValue(Settings::TranslateCode.key, "jp").ok);
        ASSERT_TRUE(store.setValue(Settings::MainPopover.key, "1").ok);
        ASSERT_TRUE(store.removeObject(Settings::MainPopover.key).ok);
    }
    const UserDefaults store(path());
    EXPECT_TRUE(store.objectForKey("keyCode")->isDouble());
    EXPECT_EQ(LumenoObject(store).keyCode(), 0u);
    EXPECT_EQ(store.stringForKey("TranslateCode"), "jp");
    EXPECT_FALSE(store.objectForKey("MainPopover").has_value());
}

TEST_F(StoreTest, SettingsFilesArePrivateToTheUser)
{
    UserDefaults store(path());
    ASSERT_TRUE(store.setValue(Settings::GoogleAPIKey.key, "secret").ok);
    struct stat file
    {
    }, folder{};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &file), 0);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path()).absolutePath()).constData(), &folder), 0);
    EXPECT_EQ(file.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);
}

TEST_F(StoreTest, ADamagedFileIsMovedAsideNotLost)
{
    const QByteArray damaged = "{\"keyCode\": 3,, \"hotKey\"";
    for (const QByteArray &bytes : {damaged, QByteArray("[1, 2]")}) {
        SCOPED_TRACE(bytes.toStdString());
        writeFile(bytes);
        UserDefaults store(path());
        EXPECT_EQ(LumenoObject(store).keyCode(), 14u);
        EXPECT_FALSE(QFile::exists(path()));
        const QStringList aside =
            QDir(QFileInfo(path()).absolutePath()).entryList({"defaults.json.damaged-*"});
        ASSERT_FALSE(aside.isEmpty());
        bool kept = false;
        for (const QString &name : aside) {
            QFile file(QFileInfo(path()).absolutePath() + "/" + name);
            file.open(QIODevice::ReadOnly);
            kept = kept || file.readAll() == bytes;
        }
        EXPECT_TRUE(kept) << "the damaged bytes must survive";
        EXPECT_TRUE(store.setValue("keyCode", 7).ok) << "the store works again after the move";
        QFile::remove(path());
    }
}

struct RoundTripCase
{
    const char *name;
    quint64 value;
    bool stored;
};

class UnsignedRoundTrip : public StoreTest, public ::testing::WithParamInterface<RoundTripCase>
{
};

TEST_P(UnsignedRoundTrip, AStoredNumberLoadsBackExactlyOrIsRefused)
{
    const Setting<quint64> flags{"ModifierFlags", 7};
    {
        UserDefaults defaults(path());
        const Result stored = store(defaults, flags, GetParam().value);
        EXPECT_EQ(stored.ok, GetParam().stored) << stored.why.toStdString();
    }
    const UserDefaults reloaded(path());
    EXPECT_EQ(load(reloaded, flags), GetParam().stored ? GetParam().value : 7u);
    EXPECT_TRUE(!GetParam().stored || reloaded.objectForKey("ModifierFlags")->isDouble())
        << "stored as a number, not as text";
}

INSTANTIATE_TEST_SUITE_P(
    Values, UnsignedRoundTrip,
    ::testing::Values(RoundTripCase{"zero", 0, true},
                      RoundTripCase{"twoTo63", quint64(1) << 63, true},
                      RoundTripCase{"largestJsonInteger", (quint64(1) << 63) - 1, true},
                      RoundTripCase{"aboveTwoTo63Exactly", (quint64(1) << 63) + 2048, true},
                      RoundTripCase{"aboveTwoTo63Inexactly", (quint64(1) << 63) + 1, false},
                      RoundTripCase{"largest", ~quint64(0), false}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(StoreTest, AFileThatCannotBeOpenedIsKeptAndNeverOverwritten)
{
    // A folder in the file's place cannot be opened, not even by the superuser who runs CI.
    ASSERT_TRUE(QDir().mkpath(path()));
    testing::internal::CaptureStdout();
    UserDefaults store(path());
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(LumenoObject(store).keyCode(), 14u);
    EXPECT_NE(printed.find("could not be read"), std::string::npos) << printed;
    EXPECT_NE(printed.find("started from defaults for this run"), std::string::npos) << printed;
    const Result written = store.setValue("keyCode", 3);
    EXPECT_FALSE(written.ok);
    EXPECT_FALSE(written.why.isEmpty());
    EXPECT_TRUE(QFileInfo(path()).isDir()) << "left in place";
    EXPECT_TRUE(QDir(QFileInfo(path()).absolutePath()).entryList({"*.damaged-*"}).isEmpty());
}

TEST_F(StoreTest, AFileWithoutReadPermissionIsKeptWithTheSettingsInIt)
{
    writeJson({{"keyCode", 3}});
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::WriteOwner));
    {
        const FileModesObeyed modes;
        if (!modes.active() && ::geteuid() == 0)
            GTEST_SKIP() << "the superuser cannot give up its right to read past file modes here";
        UserDefaults store(path());
        EXPECT_EQ(LumenoObject(store).keyCode(), 14u);
        EXPECT_FALSE(store.setValue("keyCode", 5).ok);
    }
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(LumenoObject(UserDefaults(path())).keyCode(), 3u) << "nothing was lost";
}

TEST_F(StoreTest, TheMovedAsideCopyIsPrivateWhateverModeTheFileHad)
{
    writeFile("{\"GoogleAPIKey\": \"secret\",,");
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup | QFileDevice::ReadOther));
    const UserDefaults store(path());
    const QDir folder(QFileInfo(path()).absolutePath());
    const QStringList aside = folder.entryList({"defaults.json.damaged-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(mode(folder.filePath(aside[0])), 0600u);
}

TEST_F(StoreTest, FoldersItMakesArePrivateAndOthersAreLeftAsTheyAreWithAWarning)
{
    const QString nested = m_dir.path() + "/made/by/us/defaults.json";
    {
        UserDefaults store(nested);
        ASSERT_TRUE(store.setValue("keyCode", 1).ok);
    }
    for (const QString &level : QStringList{"/made", "/made/by", "/made/by/us"})
        EXPECT_EQ(mode(m_dir.path() + level), 0700u) << level.toStdString();

    const QString shared = m_dir.path() + "/shared";
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                          QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                          QFileDevice::ExeOther;
    ASSERT_TRUE(QDir().mkdir(shared, open));
    testing::internal::CaptureStdout();
    UserDefaults store(shared + "/defaults.json");
    ASSERT_TRUE(store.setValue("keyCode", 1).ok);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(mode(shared), 0755u) << "an existing folder is kept";
    EXPECT_NE(printed.find("can be read by other users"), std::string::npos) << printed;

    testing::internal::CaptureStdout();
    const UserDefaults again(nested);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "a private folder says nothing";
}

TEST(LanguageTablesTest, TablesHoldTheirEntriesInOrder)
{
    using namespace LanguageTables;
    ASSERT_EQ(languageCodeArray().size(), 27);
    ASSERT_EQ(translateTargetArray().size(), 26);
    ASSERT_EQ(languageArray().size(), 26);
    ASSERT_EQ(ocrCodeForLanguage().size(), 26);
    EXPECT_EQ(languageCodeArray().at(6), "POR");
    EXPECT_EQ(languageCodeArray().last(), "VIE");
    EXPECT_EQ(languageArray().at(10), "German ");
    EXPECT_EQ(languageArray().at(24), "Chinese-Traditional ");
    EXPECT_EQ(translateTargetArray().at(24), "cht");
}

TEST(LanguageTablesTest, EachNameStoresItsOwnLanguagesCode)
{
    using namespace LanguageTables;
    const QStringList &names = languageArray();
    const QStringList &codes = ocrCodeForLanguage();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(codes.at(i), languageCodeArray().at(i)) << i;
    EXPECT_EQ(codes.at(names.indexOf("Thailand")), "THA");
    EXPECT_EQ(codes.at(names.indexOf("Arabic")), "ARA");
    EXPECT_EQ(codes.at(names.indexOf("Portuguese")), "POR");
    EXPECT_EQ(codes.at(names.indexOf("German ")), "GER");
    EXPECT_EQ(codes.at(names.indexOf("Chinese-Traditional ")), "CHN_TRA");
    EXPECT_EQ(codes.at(names.indexOf("Vietnamese")), "VIE");
    EXPECT_EQ(QSet<QString>(codes.begin(), codes.end()).size(), 26) << "no two names share a code";
}

TEST(LumenoObjectTest, SetterSignalsAfterStoringAndOnlyOnChange)
{
    QTemporaryDir dir;
    const UserDefaults store(dir.path() + "/defaults.json");
    LumenoObject object(store);
    QString seen;
    QObject::connect(&object, &LumenoObject::translateTargetCodeChanged,
                     [&] { seen = object.translateTargetCode(); });
    QSignalSpy spy(&object, &LumenoObject::translateTargetCodeChanged);
    object.setTranslateTargetCode("jp");
    object.setTranslateTargetCode("jp");
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(seen, "jp");
}

TEST(OcrModeTypeTest, RawValues)
{
    EXPECT_EQ(rawValue(OcrModeType::baidu), 0);
    EXPECT_EQ(rawValue(OcrModeType::google), 1);
    EXPECT_EQ(ocrModeTypeFromRawValue(1), OcrModeType::google);
    EXPECT_FALSE(ocrModeTypeFromRawValue(2).has_value());
    EXPECT_FALSE(ocrModeTypeFromRawValue(-1).has_value());
}

TEST(NotificationCenterTest, AbsentAndEmptyUserInfoDiffer)
{
    NotificationCenter center;
    QObject observer;
    std::vector<std::optional<QVariantMap>> received;
    center.addObserver(&observer, "kNotifyCaptureEnd",
                       [&](const Notification &n) { received.push_back(n.userInfo); });
    center.post("kNotifyCaptureEnd");
    center.post("kNotifyCaptureEnd", {}, QVariantMap{});
    center.post("other");
    ASSERT_EQ(received.size(), 2u);
    EXPECT_FALSE(received[0].has_value());
    ASSERT_TRUE(received[1].has_value());
    EXPECT_TRUE(received[1]->isEmpty());
}

TEST(NotificationCenterTest, DestroyedAndRemovedObserversAreNotCalled)
{
    NotificationCenter center;
    int calls = 0;
    auto gone = std::make_unique<QObject>();
    QObject kept;
    QObject removedDuringPost;
    center.addObserver(gone.get(), NotificationNames::OCRViewClosed, [&](auto &) { ++calls; });
    center.addObserver(&kept, NotificationNames::OCRViewClosed, [&](auto &) {
        ++calls;
        center.removeObserver(&removedDuringPost);
    });
    center.addObserver(&removedDuringPost, NotificationNames::OCRViewClosed,
                       [&](auto &) { calls += 100; });
    gone.reset();
    center.post(NotificationNames::OCRViewClosed);
    EXPECT_EQ(calls, 1);
    center.removeObserver(&kept, NotificationNames::OCRViewClosed);
    center.post(NotificationNames::OCRViewClosed);
    EXPECT_EQ(calls, 1);
}

} // namespace

#include "ImageSaver.h"
#include "LumenoObject.h"
#include "UserDefaults.h"

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace lumeno;

namespace {

QImage solid(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// pdfinfo's "Pages:" and "Page size:" lines.
QString pdfInfo(const QString &path)
{
    QProcess process;
    process.start("pdfinfo", {path});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

class ImageSaverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings.setWhetherToSavePNG(true);
        m_settings.setWhetherToSavePDF(true);
        m_settings.setSavePNGUrl(m_dir.filePath("1.png"));
        m_settings.setSavePDFUrl(m_dir.filePath("1.pdf"));
    }
    std::string save(const QImage &image)
    {
        testing::internal::CaptureStdout();
        ImageSaver::saveCapturedImage(image, m_settings);
        return testing::internal::GetCapturedStdout();
    }

    QTemporaryDir m_dir;
    UserDefaults m_defaults{m_dir.filePath("defaults.json")};
    LumenoObject m_settings{m_defaults};
};

} // namespace

TEST_F(ImageSaverTest, WritesRealPngAndOnePagePdfAndOverwritesBoth)
{
    const std::string out = save(solid({120, 80}, Qt::red));
    EXPECT_EQ(out, "file://" + m_dir.filePath("1.png").toStdString() + "\n" +
                       m_dir.filePath("1.pdf").toStdString() + "\n");
    QImageReader reader(m_dir.filePath("1.png"));
    EXPECT_EQ(reader.format(), "png");
    EXPECT_EQ(reader.read().size(), QSize(120, 80));
    QFile png(m_dir.filePath("1.png"));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_EQ(png.read(8), QByteArray("\x89PNG\r\n\x1a\n"));
    const QString info = pdfInfo(m_dir.filePath("1.pdf"));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page size:\\s+120 x 80 pts")))
        << info.toStdString();

    save(solid({30, 40}, Qt::blue));
    EXPECT_EQ(QImage(m_dir.filePath("1.png")).size(), QSize(30, 40));
    EXPECT_TRUE(pdfInfo(m_dir.filePath("1.pdf")).contains(QRegularExpression("30 x 40 pts")));
    // Nothing else is left behind in the folder.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList({"1.pdf", "1.png"}));
}

TEST_F(ImageSaverTest, MissingFolderPrintsTheFailureAndStillWritesThePdf)
{
    m_settings.setSavePNGUrl(m_dir.filePath("missing/1.png"));
    const std::string out = save(solid({10, 10}, Qt::red));
    EXPECT_NE(out.find("Failed to save image: "), std::string::npos) << out;
    EXPECT_FALSE(QFile::exists(m_dir.filePath("missing/1.png")));
    EXPECT_TRUE(pdfInfo(m_dir.filePath("1.pdf")).contains("Pages:"));
}

TEST_F(ImageSaverTest, AnImageThePngEncoderRefusesPrintsWhyAndStillWritesThePdf)
{
    // Wider than libpng writes; small enough for a one-page PDF.
    const QImage tooWide = solid({1'000'001, 1}, Qt::red);
    const QString out = QString::fromStdString(save(tooWide));
    const QString prefix = QStringLiteral("Failed to save image: ");
    const QStringList lines = out.split('\n').filter(prefix);
    ASSERT_EQ(lines.size(), 1) << out.toStdString();
    EXPECT_GT(lines[0].size(), prefix.size()) << "with the reason: " << out.toStdString();
    EXPECT_FALSE(QFile::exists(m_dir.filePath("1.png")));
    EXPECT_TRUE(out.contains(m_dir.filePath("1.pdf")))
        << "the PDF step runs: " << out.toStdString();
}

TEST_F(ImageSaverTest, MissingPdfFolderPrintsOneLine)
{
    m_settings.setSavePDFUrl(m_dir.filePath("missing/1.pdf"));
    const std::string out = save(solid({10, 10}, Qt::red));
    EXPECT_NE(out.find("Failed to save PDF: "), std::string::npos) << out;
    EXPECT_TRUE(QFile::exists(m_dir.filePath("1.png")));
}

struct SwitchCase
{
    const char *name;
    bool png;
    bool pdf;
    bool pngPathEmpty;
    bool pdfPathEmpty;
};

class ImageSaverSwitches : public ImageSaverTest, public ::testing::WithParamInterface<SwitchCase>
{
};

TEST_P(ImageSaverSwitches, WritesOnlyWhatIsSwitchedOnWithAPath)
{
    const SwitchCase &c = GetParam();
    m_settings.setWhetherToSavePNG(c.png);
    m_settings.setWhetherToSavePDF(c.pdf);
    if (c.pngPathEmpty)
        m_settings.setSavePNGUrl({});
    if (c.pdfPathEmpty)
        m_settings.setSavePDFUrl({});
    const std::string out = save(solid({10, 10}, Qt::red));
    const bool png = c.png && !c.pngPathEmpty;
    const bool pdf = c.pdf && !c.pdfPathEmpty;
    EXPECT_EQ(QFile::exists(m_dir.filePath("1.png")), png);
    EXPECT_EQ(QFile::exists(m_dir.filePath("1.pdf")), pdf);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), int(png) + int(pdf)) << out;
}

INSTANTIATE_TEST_SUITE_P(Cases, ImageSaverSwitches,
                         ::testing::Values(SwitchCase{"both_off", false, false, false, false},
                                           SwitchCase{"png_only", true, false, false, false},
                                           SwitchCase{"pdf_only", false, true, false, false},
                                           SwitchCase{"empty_png_path", true, true, true, false},
                                           SwitchCase{"empty_pdf_path", true, true, false, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ImageSaverTest, EmptyImageWritesNothing)
{
    EXPECT_EQ(save(QImage()), "");
    EXPECT_FALSE(QFile::exists(m_dir.filePath("1.png")));
    EXPECT_FALSE(QFile::exists(m_dir.filePath("1.pdf")));
}

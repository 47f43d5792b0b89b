// The recognition server's library in process: page layout, the joining of piece texts, the
// job scheduler with fake tasks, the recognition pool with the real engine, and the settings'
// reading of the control group's memory limit.

#include "HostileImages.h"
#include "ImagePreparer.h"
#include "JobScheduler.h"
#include "PageLayout.h"
#include "PageText.h"
#include "RecognitionPool.h"
#include "ServerSettings.h"
#include "TesseractEngine.h"
#include "TextImages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QTemporaryDir>
#include <atomic>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <set>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace lumeno;
using namespace lumeno::testkit;
using namespace std::chrono_literals;

namespace {

// Long enough to fail instead of hanging, far beyond anything a loaded machine needs.
constexpr auto kPatience = 60s;

QStringList words(int from, int count)
{
    const QStringList all = sampleParagraph().join(' ').split(' ');
    QStringList picked;
    for (int i = 0; i < count; ++i)
        picked << all[(from + i) % all.size()];
    return picked;
}

PreparedPage preparedPage(const QImage &image)
{
    const QByteArray png = pngBytes(image);
    PixPtr decoded(pixReadMem(reinterpret_cast<const l_uint8 *>(png.constData()),
                              static_cast<size_t>(png.size())));
    return ImagePreparer().prepare(decoded.get());
}

PageLayout layoutOf(const QImage &image, bool rightToLeft = false, bool spacedWords = true)
{
    PreparedPage page = preparedPage(image);
    return PageLayout::analyse(page.grey.get(), {page.xHeight, rightToLeft, spacedWords});
}

// --- Page text -----------------------------------------------------------------------------

PageLayout::Block block(const std::vector<int> &piecesPerLine)
{
    PageLayout::Block block;
    for (int pieces : piecesPerLine) {
        PageLayout::Line line;
        for (int i = 0; i < pieces; ++i)
            line.pieces.push_back(QRect(i * 10, 0, 10, 10));
        block.lines.push_back(line);
    }
    return block;
}

struct JoinCase
{
    const char *name;
    std::vector<std::vector<int>> blocks; // pieces per line, per block
    QStringList pieceTexts;
    QString joined;
};

class PageTextTest : public ::testing::TestWithParam<JoinCase>
{
};

TEST_P(PageTextTest, JoinsPiecesInReadingOrder)
{
    const JoinCase &c = GetParam();
    std::vector<PageLayout::Block> blocks;
    for (const auto &lines : c.blocks)
        blocks.push_back(block(lines));
    PageText text(blocks);
    ASSERT_EQ(text.pieceCount(), c.pieceTexts.size());
    for (int i = 0; i < text.pieceCount(); ++i)
        text.set(i, c.pieceTexts[i]);
    EXPECT_EQ(text.joined(), c.joined);
}

INSTANTIATE_TEST_SUITE_P(
    Joining, PageTextTest,
    ::testing::Values(
        JoinCase{"nothing", {}, {}, ""}, JoinCase{"oneLine", {{1}}, {"Hello"}, "Hello"},
        JoinCase{"linesOfABlock", {{1, 1, 1}}, {"a", "b", "c"}, "a\nb\nc"},
        JoinCase{"blocks", {{1, 1}, {1}}, {"a", "b", "c"}, "a\nb\n\nc"},
        JoinCase{"piecesOfALine",
                 {{3, 1}},
                 {"The quick", "brown fox", "jumps", "over"},
                 "The quick brown fox jumps\nover"},
        JoinCase{"emptyPieceLeavesNoGap", {{2, 1, 1}}, {"a", "", "", "c"}, "a\nc"},
        JoinCase{"emptyBlockLeavesOneEmptyLine", {{1}, {1}, {1}}, {"a", "", "c"}, "a\n\nc"},
        JoinCase{"pieceOfSeveralLines", {{1, 1}}, {"a\nb", "c"}, "a\nb\nc"}),
    [](const auto &info) { return std::string(info.param.name); });

// --- Page layout ---------------------------------------------------------------------------

QList<QStringList> twoColumns(int pixelSize)
{
    return {wrapText(words(0, 60).join(' '), 24 * pixelSize, pixelSize),
            wrapText(words(60, 60).join(' '), 24 * pixelSize, pixelSize)};
}

// Where each line of a layout lies, block by block.
std::vector<std::vector<QRect>> lineBoxes(const PageLayout &layout)
{
    std::vector<std::vector<QRect>> boxes;
    for (const PageLayout::Block &block : layout.blocks()) {
        boxes.emplace_back();
        for (const PageLayout::Line &line : block.lines)
            boxes.back().push_back(line.box);
    }
    return boxes;
}

::testing::AssertionResult topToBottom(const std::vector<QRect> &lines)
{
    for (size_t i = 1; i < lines.size(); ++i)
        if (lines[i].top() <= lines[i - 1].bottom())
            return ::testing::AssertionFailure()
                   << "line " << i << " does not follow line " << i - 1;
    return ::testing::AssertionSuccess();
}

TEST(PageLayoutTest, ColumnsAreReadOneAfterTheOther)
{
    const QList<QStringList> columns = twoColumns(13);
    const QImage image = renderColumns(columns, {13, Qt::black, Qt::white}, 48);
    for (bool rightToLeft : {false, true}) {
        const auto blocks = lineBoxes(layoutOf(image, rightToLeft));
        ASSERT_EQ(blocks.size(), 2u) << "right to left: " << rightToLeft;
        const auto &first = blocks[rightToLeft ? 1 : 0];
        const auto &second = blocks[rightToLeft ? 0 : 1];
        EXPECT_EQ(first.size(), static_cast<size_t>(columns[0].size()));
        EXPECT_EQ(second.size(), static_cast<size_t>(columns[1].size()));
        EXPECT_TRUE(topToBottom(first));
        EXPECT_TRUE(topToBottom(second));
        for (const QRect &left : first)
            for (const QRect &right : second)
                ASSERT_LT(left.right(), right.left());
    }
}

struct SmallTextCase
{
    const char *name;
    int pixelSize;
    QColor ink;
    QColor paper;
    QString family = QString();
};

class SmallTextLayoutTest : public ::testing::TestWithParam<SmallTextCase>
{
};

// What one block of lines was read in before: every line is kept, in order, however short.
TEST_P(SmallTextLayoutTest, KeepsEveryLineOfOneColumn)
{
    const SmallTextCase &c = GetParam();
    const QStringList lines{
        "The quick brown fox jumps over the lazy dog near the river bank.", "OK", "a",
        "Prices rose by 12 percent in 2023, while wages grew by only 4.",   "5",  "x = 4;",
        "She wrote three letters, read two books and walked home."};
    const auto blocks = lineBoxes(layoutOf(renderText(lines, {c.pixelSize, c.ink, c.paper})));
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].size(), static_cast<size_t>(lines.size()));
    EXPECT_TRUE(topToBottom(blocks[0]));
}

INSTANTIATE_TEST_SUITE_P(
    ScreenText, SmallTextLayoutTest,
    ::testing::Values(SmallTextCase{"light11", 11, Qt::black, Qt::white},
                      SmallTextCase{"light13", 13, Qt::black, Qt::white},
                      SmallTextCase{"light16", 16, Qt::black, Qt::white},
                      SmallTextCase{"dark11", 11, QColor(230, 230, 230), QColor(30, 30, 30)},
                      SmallTextCase{"lowContrast13", 13, QColor(150, 150, 150), Qt::white}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PageLayoutTest, AnEmptyLineStartsANewBlock)
{
    const QStringList lines{sampleParagraph()[0], sampleParagraph()[1], "", sampleParagraph()[2]};
    const auto blocks = lineBoxes(layoutOf(renderText(lines, {13, Qt::black, Qt::white})));
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0].size(), 2u);
    EXPECT_EQ(blocks[1].size(), 1u);
}

TEST(PageLayoutTest, APageWithoutMarksHasNoBlocks)
{
    QImage blank(300, 80, QImage::Format_RGB32);
    blank.fill(Qt::darkBlue);
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::white);
    EXPECT_TRUE(layoutOf(blank).blocks().empty());
    EXPECT_TRUE(layoutOf(dot).blocks().empty());
}

TEST(PageLayoutTest, FindsLightTextOnADarkPanel)
{
    QImage page(900, 300, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(20, 20, renderText(sampleParagraph().mid(0, 2), {13, Qt::black, Qt::white}));
    painter.fillRect(0, 140, 900, 160, QColor(40, 44, 52));
    painter.drawImage(20, 150,
                      renderText(sampleParagraph().mid(2, 3), {13, Qt::white, QColor(40, 44, 52)}));
    painter.end();
    int lines = 0;
    for (const auto &block : lineBoxes(layoutOf(page)))
        lines += static_cast<int>(block.size());
    EXPECT_EQ(lines, 5);
}

class LineCutTest : public ::testing::TestWithParam<SmallTextCase>
{
};

// Cuts fall between words, never between the letters of one, whatever the font does with the
// space between letters.
TEST_P(LineCutTest, CutsLongLinesOnlyBetweenWords)
{
    const SmallTextCase &c = GetParam();
    // Long words leave few word gaps near the middle of a piece, and many between letters.
    const QString line = "Internationalization notwithstanding, telecommunications "
                         "infrastructure modernization requires extraordinary "
                         "interdepartmental coordination.";
    const TextStyle style{c.pixelSize, c.ink, c.paper, c.family};
    PageLayout layout = layoutOf(renderText({line}, style));
    ASSERT_EQ(layout.pieceCount(), 1);
    layout.splitLines(8);
    const PageLayout::Line &found = layout.blocks().at(0).lines.at(0);
    ASSERT_GE(found.pieces.size(), 3u);
    // Where each space lies in the image renderText drew: its margin is one pixel size.
    const QFontMetrics metrics(textFont(style));
    std::vector<std::pair<int, int>> spaces;
    for (qsizetype i = line.indexOf(' '); i >= 0; i = line.indexOf(' ', i + 1))
        spaces.emplace_back(c.pixelSize + metrics.horizontalAdvance(line.left(i)),
                            c.pixelSize + metrics.horizontalAdvance(line.left(i + 1)));
    for (size_t i = 1; i < found.pieces.size(); ++i) {
        const int cut = found.pieces[i].left();
        EXPECT_EQ(found.pieces[i - 1].right() + 1, cut);
        EXPECT_TRUE(std::any_of(
            spaces.begin(), spaces.end(),
            [&](const auto &space) { return space.first - 1 <= cut && cut <= space.second + 1; }))
            << "cut at x = " << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, LineCutTest,
                         ::testing::Values(SmallTextCase{"sans13", 13, Qt::black, Qt::white},
                                           SmallTextCase{"sans24", 24, Qt::black, Qt::white},
                                           SmallTextCase{"mono13", 13, Qt::black, Qt::white,
                                                         "DejaVu Sans Mono"},
                                           SmallTextCase{"serifDark11", 11, QColor(220, 220, 220),
                                                         QColor(30, 30, 30), "DejaVu Serif"},
                                           SmallTextCase{"gothicDark13", 13, QColor(220, 220, 220),
                                                         QColor(30, 30, 30), "URW Gothic"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(PageLayoutTest, NeverCutsLinesWithoutWordSpacesOrRightToLeft)
{
    const QImage image = renderText({sampleParagraph()[0]}, {13, Qt::black, Qt::white});
    for (auto [rightToLeft, spacedWords] : {std::pair{true, true}, std::pair{false, false}}) {
        PageLayout layout = layoutOf(image, rightToLeft, spacedWords);
        layout.splitLines(8);
        EXPECT_EQ(layout.pieceCount(), 1);
    }
}

// --- Job scheduler -------------------------------------------------------------------------

// Lets tasks wait for the test, and the test for tasks, without sleeping.
class Gate
{
public:
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    bool wait()
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Counts arrivals; waitFor(n) returns once n have arrived.
class Arrivals
{
public:
    void arrive()
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
        m_changed.notify_all();
    }
    bool waitFor(int count)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, kPatience, [&] { return m_count >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

// The order tasks ran in, by name.
class Log
{
public:
    void add(const std::string &entry)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back(entry);
    }
    std::vector<std::string> entries()
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

using JobHandle = JobScheduler::JobHandle;

// A first task that posts `pieces` tasks to its own job, each logged as name + index.
JobScheduler::Task splitInto(JobScheduler &scheduler, Log &log, std::string name, int pieces,
                             Gate *before = nullptr)
{
    return [&scheduler, &log, name, pieces, before](const JobHandle &job, unsigned) {
        log.add(name + "0");
        if (before)
            before->wait();
        for (int i = 1; i <= pieces; ++i)
            scheduler.post(job, [&log, name, i](const JobHandle &, unsigned) {
                log.add(name + std::to_string(i));
            });
    };
}

TEST(JobSchedulerTest, JobsTakeTurnsWithTheirPieces)
{
    Log log;
    Gate admitted;
    Arrivals finished;
    {
        JobScheduler scheduler({1, 4, 0});
        ASSERT_TRUE(scheduler.admit(splitInto(scheduler, log, "a", 4, &admitted),
                                    [&] { finished.arrive(); }));
        // Arrives while the first job is being split: it waits for one piece, not for all.
        ASSERT_TRUE(scheduler.admit(splitInto(scheduler, log, "b", 2), [&] { finished.arrive(); }));
        admitted.open();
        ASSERT_TRUE(finished.waitFor(2));
    }
    EXPECT_EQ(log.entries(),
              (std::vector<std::string>{"a0", "b0", "a1", "b1", "a2", "b2", "a3", "a4"}));
}

TEST(JobSchedulerTest, AFullQueueRefusesAtOnceWhileASplitJobRuns)
{
    Gate release;
    Arrivals running, finished;
    JobScheduler scheduler({2, 0, 0});
    auto blocked = [&](const JobHandle &, unsigned) {
        running.arrive();
        release.wait();
    };
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            scheduler.post(job, blocked);
            scheduler.post(job, blocked);
        },
        [&] { finished.arrive(); }));
    ASSERT_TRUE(running.waitFor(2));
    // The split job holds both workers; a second job may still be admitted, a third not.
    ASSERT_TRUE(scheduler.admit([](const JobHandle &, unsigned) {}, [&] { finished.arrive(); }));
    bool thirdRan = false;
    EXPECT_FALSE(scheduler.admit([&](const JobHandle &, unsigned) { thirdRan = true; },
                                 [&] { thirdRan = true; }));
    release.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_FALSE(thirdRan);
    // Room again once the jobs are done.
    EXPECT_TRUE(scheduler.admit([](const JobHandle &, unsigned) {}, [] {}));
}

TEST(JobSchedulerTest, ACancelledJobEndsOnceItsRunningTasksReturnAndFreesTheWorkers)
{
    Gate release, finishedGate;
    Arrivals running;
    std::atomic<int> ran = 0;
    std::atomic<bool> finishedEarly = false;
    std::atomic<int> returned = 0;
    JobScheduler scheduler({2, 0, 0});
    JobHandle handle;
    auto piece = [&](const JobHandle &, unsigned) {
        ++ran;
        running.arrive();
        release.wait();
        ++returned;
    };
    handle = scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 10; ++i)
                scheduler.post(job, piece);
        },
        [&] {
            finishedEarly = returned < 2;
            finishedGate.open();
        });
    ASSERT_TRUE(handle);
    ASSERT_TRUE(running.waitFor(2));
    scheduler.cancel(handle);
    release.open();
    ASSERT_TRUE(finishedGate.wait());
    EXPECT_FALSE(finishedEarly);
    EXPECT_EQ(ran, 2); // the eight that waited were dropped

    // Both workers are free: two tasks of a new job meet.
    Arrivals met;
    Gate done;
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 2; ++i)
                scheduler.post(job, [&](const JobHandle &, unsigned) {
                    met.arrive();
                    met.waitFor(2);
                });
        },
        [&] { done.open(); }));
    EXPECT_TRUE(done.wait());
}

TEST(JobSchedulerTest, AJobKeepsToItsShareOfTheWorkers)
{
    std::atomic<int> runningA = 0, mostA = 0;
    Arrivals startedA, finished;
    Gate releaseA, ranB;
    JobScheduler scheduler({3, 2, 2});
    auto pieceOfA = [&](const JobHandle &, unsigned) {
        const int now = ++runningA;
        for (int most = mostA; now > most && !mostA.compare_exchange_weak(most, now);) {
        }
        startedA.arrive();
        releaseA.wait();
        --runningA;
    };
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 6; ++i)
                scheduler.post(job, pieceOfA);
        },
        [&] { finished.arrive(); }));
    ASSERT_TRUE(startedA.waitFor(2));
    // Four pieces of the first job still wait, yet the third worker is free for another job.
    ASSERT_TRUE(scheduler.admit([&](const JobHandle &, unsigned) { ranB.open(); },
                                [&] { finished.arrive(); }));
    EXPECT_TRUE(ranB.wait());
    releaseA.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_EQ(mostA, 2);
}

// A job splits its work for the workers that nothing else is about to take.
TEST(JobSchedulerTest, SpareWorkersLeaveOutThoseWaitingTasksWillTake)
{
    Gate release;
    Arrivals running, finished;
    JobScheduler scheduler({4, 4, 2});
    EXPECT_EQ(scheduler.spareWorkers(), 4u);
    auto blocked = [&](const JobHandle &, unsigned) {
        running.arrive();
        release.wait();
    };
    // Holds one worker, with three tasks waiting of which its share lets one start.
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            for (int i = 0; i < 3; ++i)
                scheduler.post(job, blocked);
            blocked(job, 0);
        },
        [&] { finished.arrive(); }));
    ASSERT_TRUE(running.waitFor(2));
    // Two running; the two waiting are held back by the share, so two workers are spare.
    EXPECT_EQ(scheduler.spareWorkers(), 2u);
    ASSERT_TRUE(scheduler.admit(blocked, [&] { finished.arrive(); }));
    ASSERT_TRUE(running.waitFor(3));
    EXPECT_EQ(scheduler.spareWorkers(), 1u);
    release.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_EQ(scheduler.spareWorkers(), 4u);
}

TEST(JobSchedulerTest, StoppingRunsEveryAdmittedJobToItsEnd)
{
    Log log;
    Arrivals finished;
    {
        JobScheduler scheduler({2, 8, 0});
        for (const char *name : {"a", "b", "c"})
            ASSERT_TRUE(
                scheduler.admit(splitInto(scheduler, log, name, 3), [&] { finished.arrive(); }));
    }
    EXPECT_TRUE(finished.waitFor(3));
    EXPECT_EQ(log.entries().size(), 12u);
}

// A job that admits with `bytes`, logs its name when it starts and waits for `release`.
JobScheduler::JobHandle admitHolding(JobScheduler &scheduler, Log &log, const std::string &name,
                                     std::size_t bytes, Gate &release, Arrivals &finished)
{
    return scheduler.admit(
        [&log, name, &release](const JobHandle &, unsigned) {
            log.add(name);
            release.wait();
        },
        [&finished] { finished.arrive(); }, bytes);
}

TEST(JobSchedulerMemory, AJobWaitsUntilItsClaimFitsAndOthersThatFitGoFirst)
{
    Log log;
    Gate releaseA, releaseC, releaseB;
    Arrivals finished, startedA;
    JobScheduler scheduler({4, 4, 0, 100});
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &, unsigned) {
            log.add("a");
            startedA.arrive();
            releaseA.wait();
        },
        [&] { finished.arrive(); }, 60));
    ASSERT_TRUE(startedA.waitFor(1));
    ASSERT_TRUE(admitHolding(scheduler, log, "b", 60, releaseB, finished));
    ASSERT_TRUE(admitHolding(scheduler, log, "c", 30, releaseC, finished));
    releaseC.open();
    ASSERT_TRUE(finished.waitFor(1));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"a", "c"})); // b still waits for memory
    releaseB.open();
    releaseA.open();
    ASSERT_TRUE(finished.waitFor(3));
    EXPECT_EQ(log.entries(), (std::vector<std::string>{"a", "c", "b"}));
}

// Two jobs that raise their claims while both hold memory take turns instead of waiting on
// each other: a job gives back what it held when it claims more.
TEST(JobSchedulerMemory, RaisedClaimsTakeTurnsWithoutDeadlock)
{
    Arrivals admittedBoth, finished;
    std::atomic<int> running = 0, most = 0;
    JobScheduler scheduler({2, 2, 0, 100});
    auto job = [&](std::atomic<bool> *refused) {
        return [&, refused](const JobHandle &handle, unsigned) {
            admittedBoth.arrive();
            admittedBoth.waitFor(2); // both hold 40 now
            *refused = !scheduler.claim(handle, 90);
            scheduler.post(handle, [&](const JobHandle &, unsigned) {
                const int now = ++running;
                for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
                }
                std::this_thread::sleep_for(50ms);
                --running;
            });
        };
    };
    std::atomic<bool> refusedA = false, refusedB = false;
    ASSERT_TRUE(scheduler.admit(
        job(&refusedA), [&] { finished.arrive(); }, 40));
    ASSERT_TRUE(scheduler.admit(
        job(&refusedB), [&] { finished.arrive(); }, 40));
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_FALSE(refusedA);
    EXPECT_FALSE(refusedB);
    EXPECT_EQ(most, 1);
}

TEST(JobSchedulerMemory, AClaimBeyondTheBudgetIsRefusedAndAnAdmissionRunsAlone)
{
    Gate release;
    Arrivals finished, started;
    std::atomic<bool> refused = false;
    JobScheduler scheduler({2, 2, 0, 100});
    ASSERT_TRUE(scheduler.admit(
        [&](const JobHandle &job, unsigned) {
            refused = !scheduler.claim(job, 101);
            started.arrive();
            release.wait();
        },
        [&] { finished.arrive(); }, 1000));
    ASSERT_TRUE(started.waitFor(1));
    EXPECT_TRUE(refused);
    // The first job holds the whole budget, so even the smallest claim waits for it.
    std::atomic<bool> secondStarted = false;
    ASSERT_TRUE(scheduler.admit([&](const JobHandle &, unsigned) { secondStarted = true; },
                                [&] { finished.arrive(); }, 1));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(secondStarted);
    release.open();
    ASSERT_TRUE(finished.waitFor(2));
    EXPECT_TRUE(secondStarted);
}

// --- Recognition pool ----------------------------------------------------------------------

QByteArray requestBody(const QImage &image)
{
    return QJsonDocument(
               QJsonObject{{"imageBase64", QString::fromLatin1(pngBytes(image).toBase64())},
                           {"languageIndex", "ENG"}})
        .toJson(QJsonDocument::Compact);
}

// Unless the deadline is what a test is about, it is far beyond what a loaded machine needs.
RecognitionPool::Options poolOptions(unsigned workers, unsigned queueLimit,
                                     std::chrono::milliseconds deadline = 10min)
{
    RecognitionPool::Options options;
    options.workers = workers;
    options.queueLimit = queueLimit;
    options.workersPerRequest = workers;
    options.deadline = deadline;
    return options;
}

RequestReader reader()
{
    return RequestReader(LanguageCatalog(LanguageCatalog::locateTessdata(QString())));
}

// A submitted request whose answer the test can wait for.
class Submitted
{
public:
    Submitted(RecognitionPool &pool, const QByteArray &body)
        : m_answer(std::make_shared<std::promise<OrRefusal<QString>>>()),
          m_future(m_answer->get_future()),
          m_accepted(pool.submit(body, true, [answer = m_answer](OrRefusal<QString> result) {
              answer->set_value(std::move(result));
          }))
    {
    }
    bool accepted() const { return m_accepted; }
    bool answered() const { return m_future.wait_for(0s) == std::future_status::ready; }
    // The text, or "refused: " and the message.
    QString answer()
    {
        if (m_future.wait_for(kPatience) != std::future_status::ready)
            return QStringLiteral("no answer");
        const OrRefusal<QString> result = m_future.get();
        if (const auto *refusal = std::get_if<Refusal>(&result))
            return QStringLiteral("refused: ") + refusal->message;
        return std::get<QString>(result);
    }

private:
    std::shared_ptr<std::promise<OrRefusal<QString>>> m_answer;
    std::future<OrRefusal<QString>> m_future;
    bool m_accepted;
};

// The recognised text has the expected lines in order, the empty ones in the same places, and
// each line reads as expected give or take a letter.
::testing::AssertionResult readsAs(const QString &text, const QStringList &expected)
{
    const QStringList lines = text.split('\n');
    if (lines.size() != expected.size())
        return ::testing::AssertionFailure()
               << lines.size() << " lines instead of " << expected.size() << ":\n"
               << text.toStdString();
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines[i].isEmpty() != expected[i].isEmpty() ||
            characterErrorRate(expected[i], lines[i]) > 0.05)
            return ::testing::AssertionFailure()
                   << "line " << i << " reads \"" << lines[i].toStdString() << "\" for \""
                   << expected[i].toStdString() << "\"";
    return ::testing::AssertionSuccess();
}

class RecognitionPoolTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_pool = new RecognitionPool(reader(), poolOptions(4, 4)); }
    static void TearDownTestSuite()
    {
        delete s_pool;
        s_pool = nullptr;
    }
    static RecognitionPool &pool() { return *s_pool; }

    static RecognitionPool *s_pool;
};

RecognitionPool *RecognitionPoolTest::s_pool = nullptr;

struct LinesCase
{
    const char *name;
    QStringList lines; // "" is an empty line
};

class ParallelLinesTest : public RecognitionPoolTest,
                          public ::testing::WithParamInterface<LinesCase>
{
};

TEST_P(ParallelLinesTest, KeepsLineOrderAndBreaks)
{
    const QStringList &lines = GetParam().lines;
    QImage image = renderText(lines, {13, Qt::black, Qt::white});
    if (lines.isEmpty()) {
        image = QImage(400, 60, QImage::Format_RGB32);
        image.fill(QColor(236, 236, 236));
    }
    Submitted request(pool(), requestBody(image));
    ASSERT_TRUE(request.accepted());
    const QString text = request.answer();
    if (lines.isEmpty())
        EXPECT_EQ(text, QString());
    else
        EXPECT_TRUE(readsAs(text, lines));
}

INSTANTIATE_TEST_SUITE_P(
    Captures, ParallelLinesTest,
    ::testing::Values(
        LinesCase{"linesOfDifferentLengths",
                  {"The quick brown fox jumps over the lazy dog near the river bank.", "Save",
                   "Prices rose by 12 percent in 2023.", "OK",
                   "She wrote three letters, read two books and walked home at night."}},
        LinesCase{"emptyLineBetweenParagraphs",
                  {sampleParagraph()[0], sampleParagraph()[1], "", sampleParagraph()[2],
                   sampleParagraph()[3]}},
        // Long enough to be cut into pieces at word gaps, one per worker.
        LinesCase{"singleLine", {sampleParagraph()[0] + " " + sampleParagraph()[1]}},
        LinesCase{"noText", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(RecognitionPoolTest, ReadsColumnsOneAfterTheOther)
{
    const QList<QStringList> columns = twoColumns(13);
    Submitted request(pool(), requestBody(renderColumns(columns, {13, Qt::black, Qt::white}, 48)));
    ASSERT_TRUE(request.accepted());
    EXPECT_TRUE(readsAs(request.answer(), columns[0] + QStringList{""} + columns[1]));
}

// The engine no longer tries inverted copies of lines itself: each piece is turned round.
TEST_F(RecognitionPoolTest, ReadsLightTextOnADarkPanelBesideDarkTextOnLight)
{
    const QColor panel(40, 44, 52);
    QImage page(900, 220, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, renderText(sampleParagraph().mid(0, 2), {13, Qt::black, Qt::white}));
    painter.fillRect(0, 100, 900, 120, panel);
    painter.drawImage(0, 110, renderText(sampleParagraph().mid(2, 2), {13, Qt::white, panel}));
    painter.end();
    Submitted request(pool(), requestBody(page));
    ASSERT_TRUE(request.accepted());
    const QString text = request.answer();
    EXPECT_LT(characterErrorRate(sampleParagraph().mid(0, 4).join(' '), text), 0.02)
        << text.toStdString();
}

// Many times the work of the deadline below on two workers.
QImage longPage()
{
    QStringList lines;
    for (int i = 0; i < 20; ++i)
        lines << sampleParagraph();
    return renderText(lines, {13, Qt::black, Qt::white});
}

TEST(RecognitionPoolDeadline, PiecesRunningAtTheDeadlineEndInItsRefusalAndFreeTheWorkers)
{
    RecognitionPool pool(reader(), poolOptions(2, 0, 300ms));
    Submitted late(pool, requestBody(longPage()));
    ASSERT_TRUE(late.accepted());
    EXPECT_TRUE(late.answer().contains("took longer than")) << late.answer().toStdString();
    // Its workers are free again: as many requests as workers are taken at once and answered.
    // Blank captures have no pieces, so the short deadline cannot touch them.
    QImage blank(400, 60, QImage::Format_RGB32);
    blank.fill(Qt::white);
    Submitted first(pool, requestBody(blank)), second(pool, requestBody(blank));
    ASSERT_TRUE(first.accepted());
    ASSERT_TRUE(second.accepted());
    EXPECT_EQ(first.answer(), QString());
    EXPECT_EQ(second.answer(), QString());
}

// An image whose decoding alone would pass the budget is refused from its header, unread.
TEST(RecognitionPoolMemory, RefusesAnImageLargerThanTheWholeBudget)
{
    RecognitionPool::Options options = poolOptions(2, 2);
    options.memoryBudget = 32 * 1024 * 1024;
    RecognitionPool pool(reader(), options);
    const QByteArray png = dottedPng(2000, DotPattern::Dots);
    const QByteArray body =
        QJsonDocument(QJsonObject{{"imageBase64", QString::fromLatin1(png.toBase64())},
                                  {"languageIndex", "ENG"}})
            .toJson(QJsonDocument::Compact);
    Submitted large(pool, body);
    ASSERT_TRUE(large.accepted());
    EXPECT_TRUE(large.answer().contains("too large for the OCR server's memory"))
        << large.answer().toStdString();
    // A capture that fits is read as ever.
    Submitted small(pool, requestBody(renderText({"Hello world"}, {16, Qt::black, Qt::white})));
    ASSERT_TRUE(small.accepted());
    EXPECT_EQ(small.answer(), "Hello world");
}

// Bars as tall as the page read as letters that tall; the margin around a piece stays a
// letter's room, not a page's.
TEST(ImagePreparerTest, APieceMarginStaysSmallWhateverTheXHeight)
{
    const QByteArray png = dottedPng(600, DotPattern::Bars);
    PixPtr decoded(pixReadMem(reinterpret_cast<const l_uint8 *>(png.constData()),
                              static_cast<size_t>(png.size())));
    const PreparedPage page = ImagePreparer().prepare(decoded.get());
    const QRect box(100, 100, 200, 200);
    const PixPtr piece = ImagePreparer().piece(page.grey.get(), box, 600);
    ASSERT_TRUE(piece);
    EXPECT_EQ(pixGetWidth(piece.get()), box.width() + 2 * ImagePreparer::kMaxMargin);
    EXPECT_EQ(pixGetHeight(piece.get()), box.height() + 2 * ImagePreparer::kMaxMargin);
}

// An engine stopped half-way reads the next image in full.
TEST(TesseractEngineTest, ReadsAgainAfterAStop)
{
    auto created = TesseractEngine::create(LanguageCatalog::locateTessdata(QString()), "eng");
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<TesseractEngine>>(created));
    TesseractEngine &engine = *std::get<std::unique_ptr<TesseractEngine>>(created);
    const PreparedPage page =
        preparedPage(renderText(sampleParagraph(), {16, Qt::black, Qt::white}));
    const PixPtr image = ImagePreparer().piece(
        page.grey.get(), QRect(0, 0, pixGetWidth(page.grey.get()), pixGetHeight(page.grey.get())),
        page.xHeight);
    const std::atomic<bool> cancelled = true;
    EXPECT_TRUE(std::holds_alternative<TesseractEngine::Stopped>(
        engine.recognise(image.get(), {{}, &cancelled})));
    EXPECT_TRUE(std::holds_alternative<TesseractEngine::Stopped>(
        engine.recognise(image.get(), {std::chrono::steady_clock::now() - 1s, nullptr})));
    const auto read = engine.recognise(image.get(), {});
    ASSERT_TRUE(std::holds_alternative<QString>(read));
    EXPECT_EQ(normalizeWhitespace(std::get<QString>(read)), sampleParagraph().join(' '));
}

TEST(RecognitionPoolQueue, AFullQueueRefusesAtOnceWhileASplitRequestRuns)
{
    RecognitionPool pool(reader(), poolOptions(2, 0));
    Submitted split(pool, requestBody(longPage()));
    ASSERT_TRUE(split.accepted());
    const QByteArray small = requestBody(renderText({"Hello world"}, {16, Qt::black, Qt::white}));
    Submitted second(pool, small);
    EXPECT_TRUE(second.accepted());
    bool thirdAnswered = false;
    EXPECT_FALSE(pool.submit(small, true, [&](OrRefusal<QString>) { thirdAnswered = true; }));
    EXPECT_FALSE(split.answered()); // the refusal did not wait for it
    EXPECT_EQ(second.answer(), "Hello world");
    EXPECT_FALSE(split.answer().startsWith("refused")) << split.answer().toStdString();
    EXPECT_FALSE(thirdAnswered);
}

// Workers that are inside their engine call at once. Each one that arrives stays until `count`
// are in together, or the patience runs out; from then on every one goes straight through.
class Meeting
{
public:
    explicit Meeting(std::size_t count) : m_count(count) {}
    void arrive(unsigned worker)
    {
        std::unique_lock lock(m_mutex);
        m_inside.insert(worker);
        m_mostAtOnce = std::max(m_mostAtOnce, m_inside.size());
        m_changed.notify_all();
        m_changed.wait_for(lock, kPatience, [this] { return m_mostAtOnce >= m_count; });
        m_inside.erase(worker);
    }
    std::size_t mostAtOnce()
    {
        std::lock_guard lock(m_mutex);
        return m_mostAtOnce;
    }

private:
    const std::size_t m_count;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<unsigned> m_inside;
    std::size_t m_mostAtOnce = 0;
};

// Four requests, one worker each: all four are at their engines together, each on a worker of
// its own. Were they read one after another, no more than one would ever be inside at once.
TEST(RecognitionPoolParallel, RequestsAreReadAtOnceOnWorkersOfTheirOwn)
{
    Meeting meeting(4);
    RecognitionPool::Options options = poolOptions(4, 0);
    options.workersPerRequest = 1;
    options.beforePiece = [&meeting](unsigned worker) { meeting.arrive(worker); };
    RecognitionPool pool(reader(), options);
    const QByteArray body = requestBody(renderText({"Hello world"}, {16, Qt::black, Qt::white}));
    std::vector<std::unique_ptr<Submitted>> requests;
    for (int i = 0; i < 4; ++i) {
        requests.push_back(std::make_unique<Submitted>(pool, body));
        ASSERT_TRUE(requests.back()->accepted());
    }
    for (const auto &request : requests)
        EXPECT_EQ(request->answer(), "Hello world");
    EXPECT_EQ(meeting.mostAtOnce(), 4u);
}

// --- Settings ------------------------------------------------------------------------------

struct MemoryLimitCase
{
    const char *name;
    QByteArray selfCgroup;                    // as /proc/self/cgroup; empty: no such file
    QList<QPair<QString, QByteArray>> limits; // memory.max files under the mount, by folder
    std::optional<std::size_t> expected;
};

class ControlGroupLimitTest : public ::testing::TestWithParam<MemoryLimitCase>
{
};

TEST_P(ControlGroupLimitTest, IsTheLowestOfTheGroupAndItsAncestors)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString mount = root.filePath(QStringLiteral("cgroup"));
    const auto write = [](const QString &path, const QByteArray &bytes) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    ASSERT_TRUE(QDir().mkpath(mount));
    const QString selfCgroup = root.filePath(QStringLiteral("self-cgroup"));
    if (!GetParam().selfCgroup.isEmpty()) {
        ASSERT_TRUE(write(selfCgroup, GetParam().selfCgroup));
    }
    for (const auto &[folder, limit] : GetParam().limits)
        ASSERT_TRUE(write(mount + folder + QStringLiteral("/memory.max"), limit));
    EXPECT_EQ(ServerSettings::controlGroupMemoryLimit(selfCgroup, mount), GetParam().expected);
}

constexpr std::size_t kMiB = 1024 * 1024;
const QByteArray kServiceGroup = "0::/system.slice/lumeno.service\n";

INSTANTIATE_TEST_SUITE_P(
    Trees, ControlGroupLimitTest,
    ::testing::Values(MemoryLimitCase{"noLimitFile", kServiceGroup, {}, std::nullopt},
                      MemoryLimitCase{
                          "noLimitAnywhere",
                          kServiceGroup,
                          {{"/system.slice/lumeno.service", "max\n"}, {"/system.slice", "max\n"}},
                          std::nullopt},
                      MemoryLimitCase{"limitAtTheLeaf",
                                      kServiceGroup,
                                      {{"/system.slice/lumeno.service", "536870912\n"},
                                       {"/system.slice", "max\n"}},
                                      512 * kMiB},
                      MemoryLimitCase{"lowerLimitAtAnAncestor",
                                      "1:name=systemd:/old\n0::/system.slice/lumeno.service\n",
                                      {{"/system.slice/lumeno.service", "536870912\n"},
                                       {"/system.slice", "268435456\n"},
                                       {"", "1073741824\n"}},
                                      256 * kMiB},
                      // In a container the process sees its own group as the root of the mount.
                      MemoryLimitCase{"containerRoot", "0::/\n", {{"", "134217728\n"}}, 128 * kMiB},
                      MemoryLimitCase{"noSelfFile", {}, {{"", "134217728\n"}}, 128 * kMiB}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

int main(int argc, char **argv)
{
    // Rendering needs no display, and test discovery runs without the tests' environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    setMsgSeverity(L_SEVERITY_NONE);
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

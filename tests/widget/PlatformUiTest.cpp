// The platform layer's user-interface services that need an event loop: the settling of the
// system's device messages and the log file.

#include "WidgetTestSupport.h"
#include "platform/ui/DeviceMessages.h"
#include "platform/ui/LogFile.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace corvane;
using namespace std::chrono_literals;

namespace {

Q_LOGGING_CATEGORY(lcPlatformTest, "corvane.test.platform")

constexpr unsigned long long kArrival = 0x8000;        // DBT_DEVICEARRIVAL
constexpr unsigned long long kRemoveComplete = 0x8004; // DBT_DEVICEREMOVECOMPLETE
constexpr unsigned long long kNodesChanged = 0x0007;   // DBT_DEVNODES_CHANGED
constexpr unsigned long long kQueryRemove = 0x8001;    // DBT_DEVICEQUERYREMOVE

// The whole file; empty when it is missing.
QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(DeviceMessages, APlugsBurstIsReportedOnceWhenItHasSettled) {
    struct Case {
        const char* name;
        std::vector<std::pair<unsigned long long, bool>> messages; // event, names a port
        int reports;
    };
    const Case cases[] = {
        {"a USB adapter plugged: nodes changed, then the port arrives, then nodes again",
         {{kNodesChanged, false}, {kArrival, true}, {kNodesChanged, false}},
         1},
        {"a port pulled", {{kRemoveComplete, true}}, 1},
        {"a memory stick arrives (a volume, not a port)", {{kArrival, false}}, 0},
        {"a removal asked for, not done", {{kQueryRemove, true}}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeviceMessages messages;
        int reports = 0;
        messages.Listen([&] { ++reports; }, 50ms);
        for (const auto& [event, port] : c.messages)
            messages.OnDeviceChange(event, port);
        EXPECT_EQ(reports, 0) << "nothing before the burst has settled";
        QTest::qWait(400);
        EXPECT_EQ(reports, c.reports);
    }
}

TEST(DeviceMessages, NothingIsReportedAfterStopAndStartIsWindowsOnly) {
    DeviceMessages messages;
    int reports = 0;
#ifdef _WIN32
    EXPECT_TRUE(messages.Start([&] { ++reports; }, 50ms));
#else
    EXPECT_FALSE(messages.Start([&] { ++reports; }, 50ms)) << "Linux has the port watcher instead";
    messages.Listen([&] { ++reports; }, 50ms);
#endif
    messages.OnDeviceChange(kArrival, true);
    messages.Stop();
    QTest::qWait(200);
    EXPECT_EQ(reports, 0) << "a burst cut short by Stop is not reported";
    messages.OnDeviceChange(kArrival, true);
    QTest::qWait(200);
    EXPECT_EQ(reports, 0);
}

TEST(LogFile, LinesOfEveryThreadAreWholeAndTheFileIsKeptSmall) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("corvane.log"));
    constexpr std::int64_t kLimit = 4096;
    ASSERT_TRUE(StartLogFile(path.toStdString(), kLimit));
    const QString text(100, QLatin1Char('x'));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 50; ++i)
                qCWarning(lcPlatformTest).noquote() << "thread" << t << "line" << i << text;
        });
    }
    for (std::thread& t : threads)
        t.join();
    qCWarning(lcPlatformTest) << "the last line";
    StopLogFile();
    qCWarning(lcPlatformTest) << "not in the file";

    const QByteArray written = ReadAll(path);
    EXPECT_LE(written.size(), kLimit + 400) << "the file was begun anew when it grew past its limit";
    EXPECT_TRUE(written.contains("warning corvane.test.platform: the last line"));
    EXPECT_FALSE(written.contains("not in the file"));
    const QByteArray kept = ReadAll(path + QStringLiteral(".1"));
    EXPECT_GT(kept.size(), kLimit) << "the full file is kept once";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "one older file, no more";
    for (const QByteArray& line : (kept + written).split('\n')) {
        if (line.isEmpty())
            continue;
        // Every line whole: its time, level and category, and its own text to the end.
        EXPECT_TRUE(line.contains(" warning corvane.test.platform: ")) << line.constData();
        if (line.contains("thread")) {
            EXPECT_TRUE(line.endsWith(text.toLatin1())) << line.constData();
        }
    }
}

TEST(LogFile, AFolderThatCannotTakeTheFileIsReported) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(StartLogFile(dir.filePath(QStringLiteral("no/such/folder/corvane.log")).toStdString()));
}

} // namespace

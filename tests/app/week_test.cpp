#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <vector>

#include "app/clock.h"
#include "app/form1.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/settings_file.h"
#include "tests/app/gui_test_support.h"

// A week in the shop under the wall clock as libfaketime moves it: the window driven here and the
// real program started on the same folders. ctest runs it with the library preloaded
// (kerfolio_week_test); without it the test is skipped.
namespace kerfolio::test {
namespace {

// libfaketime reads the time from this file afresh at every look at the clock.
void SetWallClock(const QString& clock) {
    QFile file(QString::fromLocal8Bit(std::getenv("FAKETIME_TIMESTAMP_FILE")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(clock.toUtf8() + "\n");
}

QString ClockText(QDate day, QTime time) {
    return day.toString("yyyy-MM-dd") + " " + time.toString("HH:mm:ss");
}

// The day file's name as the program makes it: the regional short date, unsafe characters as "-".
QString DayFileName(QDate day) {
    QString date = QLocale::system().toString(day, QLocale::ShortFormat);
    for (QChar c : QStringLiteral("/\\:*?\"<>|"))
        date.replace(c, QLatin1Char('-'));
    return date + ".txt";
}

// The window as main makes it, on the real wall clock.
struct Shop {
    explicit Shop(const QString& data) : form({data.toStdString(), &messages, &clock}) {
        form.Timer1Timer();
        Settle();
    }
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.ArchiveBusy(); }, 10'000));
    }

    // Jobs of 1 h 30 min each, mounted interval minutes apart from first on, on the machines in turn:
    // machining from 5 min after the mount to the finish. The clicks go in the order of their times.
    void Jobs(QDate day, QTime first, int count, int interval, const char* workpiece) {
        struct Click {
            QTime at;
            int cell;
            int kind;  // 0 mount, 1 start, 2 finish
        };
        std::vector<Click> clicks;
        for (int j = 0; j < count; ++j) {
            const int base = (j % 6) * 7;
            const QTime mount = first.addSecs(j * interval * 60);
            clicks.push_back({mount, base + 1, 0});
            clicks.push_back({mount.addSecs(5 * 60), base + 2, 1});
            clicks.push_back({mount.addSecs(90 * 60), base + 7, 2});
        }
        std::stable_sort(clicks.begin(), clicks.end(),
                         [](const Click& a, const Click& b) { return a.at < b.at; });
        for (const Click& click : clicks) {
            SetWallClock(ClockText(day, click.at));
            bool answered = false;
            if (click.kind == 1) {
                answered = ClickCellAnswering(
                    &form, click.cell,
                    {Press("OKBtn"), Fill({{"Edit1", workpiece}, {"Edit2", "100"}}, "OKBtn")});
            } else {
                answered = ClickCellAnswering(&form, click.cell, {Press("OKBtn")});
            }
            ASSERT_TRUE(answered) << "cell " << click.cell << " at " << click.at.toString().toStdString();
        }
    }
    int NotePadLines() const {
        return static_cast<int>(form.NotePad()->toPlainText().split('\n', Qt::SkipEmptyParts).size());
    }
    bool Close() { return form.close(); }

    RecordingMessages messages;
    Clock clock;
    TForm1 form;
};

// The real program, copied into the data folder (its data folder is its own), on the faked clock.
class Program {
  public:
    Program(const QString& data, const QString& runtime, const QString& clockText) {
        SetWallClock(clockText);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedChannels);
        process_.start(data + "/kerfolio", {});
        EXPECT_TRUE(process_.waitForStarted());
    }
    // Ended as a shutdown ends it: the close saves what it should.
    ~Program() {
        process_.terminate();
        if (!process_.waitForFinished(20'000)) process_.kill();
        process_.waitForFinished();
    }

  private:
    QProcess process_;
};

bool AppearsWithin(const QString& file, int ms) {
    return QTest::qWaitFor([&] { return QFileInfo::exists(file); }, ms);
}

// The lines of a day file (GBK) that name workpiece.
int LinesNaming(const QString& file, const QString& workpiece) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromStdString(FromGbk(in.readAll().toStdString()));
    return static_cast<int>(text.split('\n').filter(workpiece).size());
}

// Jobs and machining hours per period of the report's CSV (its first table: machine, period, jobs,
// ..., then the hours), summed over the machines.
std::map<QString, std::pair<int, double>> PerPeriod(const QString& csv) {
    QFile in(csv);
    std::map<QString, std::pair<int, double>> periods;
    if (!in.open(QIODevice::ReadOnly)) return periods;
    const QStringList lines = QString::fromUtf8(in.readAll()).remove(QChar(0xFEFF)).split("\r\n");
    for (qsizetype i = 1; i < lines.size() && !lines[i].isEmpty(); ++i) {
        const QStringList cells = lines[i].split(',');
        if (cells.size() < 11 || cells[2].toInt() == 0) continue;
        periods[cells[1]].first += cells[2].toInt();
        periods[cells[1]].second += cells[10].toDouble();
    }
    return periods;
}

TEST(WeekUnderAMovedClock, EveryJobIsFiledUnderItsOwnDayAndTheReportDropsNoHours) {
    if (std::getenv("FAKETIME_TIMESTAMP_FILE") == nullptr || std::getenv("LD_PRELOAD") == nullptr)
        GTEST_SKIP() << "run by ctest as kerfolio_week_test, under libfaketime";
    TempFolder root;
    const QString data = root.Path() + "/data", archive = root.Path() + "/archive";
    const QString runtime = root.Path() + "/run";
    for (const QString& folder : {data, archive, runtime})
        ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::copy(QStringLiteral(KERFOLIO_EXE), data + "/kerfolio"));
    // 定时存档, 自动调入 and the daily archive on, at 23:50, into the archive folder.
    SettingsFile settings(SettingsPath(data.toStdString()));
    ASSERT_TRUE(settings.WriteEntries({{"file", "dir", archive.toStdString()},
                                       {"time", "time1", "23:50:00"},
                                       {"checkbox1", "checked", "true"},
                                       {"checkbox2", "checked", "true"},
                                       {"checkbox3", "checked", "true"}}));
    const QDate saturday(2026, 12, 5), monday(2026, 12, 7);

    // Saturday: 9 jobs from 7:00, the PC shut down at 14:00.
    SetWallClock(ClockText(saturday, QTime(6, 55)));
    {
        Shop shop(data);
        // The first start has no snapshot for 自动调入 to load yet, and says so.
        EXPECT_EQ(shop.messages.errors.size(), 1);
        shop.messages.errors.clear();
        shop.Jobs(saturday, QTime(7, 0), 9, 40, "周六件");
        EXPECT_EQ(shop.NotePadLines(), 9);
        SetWallClock(ClockText(saturday, QTime(14, 0)));
        EXPECT_TRUE(shop.Close());
        EXPECT_TRUE(shop.messages.errors.isEmpty()) << shop.messages.errors.join('|').toStdString();
    }
    EXPECT_EQ(QDir(archive).entryList(QDir::Files), QStringList()) << "nothing archived before 23:50";

    // Monday 7:45: the real program makes up Saturday's archive at start-up, under Saturday's date.
    {
        Program kerfolio(data, runtime, "@" + ClockText(monday, QTime(7, 45)));
        EXPECT_TRUE(AppearsWithin(archive + "/" + DayFileName(saturday), 30'000));
    }
    EXPECT_EQ(QDir(archive).entryList(QDir::Files), QStringList{DayFileName(saturday)});

    // Monday: 18 jobs from 7:50; the window closed for the night at 23:49.
    SetWallClock(ClockText(monday, QTime(7, 46)));
    {
        Shop shop(data);
        EXPECT_EQ(shop.NotePadLines(), 0) << "Saturday's lines went with the made-up archive";
        shop.Jobs(monday, QTime(7, 50), 18, 45, "周一件");
        EXPECT_EQ(shop.NotePadLines(), 18);
        SetWallClock(ClockText(monday, QTime(23, 49)));
        EXPECT_TRUE(shop.Close());
        EXPECT_TRUE(shop.messages.errors.isEmpty()) << shop.messages.errors.join('|').toStdString();
    }

    // 23:50 with the archive folder away (a share not there): the real program, its clock ten times
    // fast, fails, keeps the NotePad and retries a minute later, when the folder is back.
    const QString away = root.Path() + "/archive-away";
    ASSERT_TRUE(QDir().rename(archive, away));
    {
        Program kerfolio(data, runtime, "@" + ClockText(monday, QTime(23, 49, 50)) + " x10");
        QTest::qWait(4'000);  // 40 s on its clock: past the moment
        EXPECT_EQ(QDir(away).entryList(QDir::Files), QStringList{DayFileName(saturday)});
        ASSERT_TRUE(QDir().rename(away, archive));
        EXPECT_TRUE(AppearsWithin(archive + "/" + DayFileName(monday), 30'000));
    }
    EXPECT_EQ(QDir(archive).entryList(QDir::Files, QDir::Name),
              (QStringList{DayFileName(saturday), DayFileName(monday)}));

    const QString saturdayFile = archive + "/" + DayFileName(saturday);
    const QString mondayFile = archive + "/" + DayFileName(monday);
    EXPECT_EQ(LinesNaming(saturdayFile, "周六件"), 9);
    EXPECT_EQ(LinesNaming(saturdayFile, "周一件"), 0);
    EXPECT_EQ(LinesNaming(mondayFile, "周一件"), 18);
    EXPECT_EQ(LinesNaming(mondayFile, "周六件"), 0);

    // The report over the archive folder: Saturday's 9 jobs on Saturday, Monday's 18 on Monday, each
    // with its 85 minutes from start to finish, and none overlapping another.
    QProcess report;
    report.setProcessChannelMode(QProcess::MergedChannels);
    report.start(QStringLiteral(KERFOLIO_REPORT_EXE),
                 {"--settings", data + "/save.ini", "--csv", root.Path() + "/week.csv", archive});
    ASSERT_TRUE(report.waitForFinished(30'000));
    const QString out = QString::fromUtf8(report.readAll());
    std::cout << out.toStdString();
    EXPECT_EQ(report.exitCode(), 0);
    EXPECT_FALSE(out.contains("重叠")) << "overlapping jobs";
    const auto periods = PerPeriod(root.Path() + "/week.csv");
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods.begin()->first, saturday.toString("yyyy-MM-dd"));
    EXPECT_EQ(periods.begin()->second.first, 9);
    EXPECT_NEAR(periods.begin()->second.second, 9 * 85 / 60.0, 0.01);
    EXPECT_EQ(periods.rbegin()->first, monday.toString("yyyy-MM-dd"));
    EXPECT_EQ(periods.rbegin()->second.first, 18);
    EXPECT_NEAR(periods.rbegin()->second.second, 18 * 85 / 60.0, 0.01);
    for (const auto& [period, figures] : periods)
        std::cout << period.toStdString() << ": " << figures.first << " jobs, " << figures.second << " h\n";
}

}  // namespace
}  // namespace kerfolio::test

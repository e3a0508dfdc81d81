// Jobs read from a PC's journal, and text lines whose times of day hide a clock change or a second
// day, under a zone with daylight saving.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <ctime>

#include "../storage/temp_folder.h"
#include "agreeing_database.h"
#include "journal/journal.h"
#include "journal/journal_schema.h"
#include "reports/figures.h"
#include "reports/messages.h"
#include "reports/report.h"
#include "reports/sqlite_writer.h"
#include "sqlite_rows.h"
#include "storage/gbk.h"
#include "storage/report_line.h"

namespace kerfolio {
namespace {

constexpr std::int64_t kHour = 3'600'000, kMinute = 60'000;

// 2026-10-25 01:00 UTC the clocks go back (CEST to CET); 2026-03-29 01:00 UTC they go forward.
std::int64_t Utc(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return std::int64_t(::timegm(&tm)) * 1000;
}

class BerlinZone {
  public:
    BerlinZone() {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
    }
    ~BerlinZone() {
        if (saved_.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", saved_.c_str(), 1);
        ::tzset();
    }

  private:
    std::string saved_;
};

struct TestJob {
    int machine;
    std::string name;
    std::int64_t mount, start, finish;
    std::int32_t offset;
    std::int32_t amount = 1800;
    std::int64_t jumpMs = 0;
    std::string detail = "{}";  // the completed event's
    bool corrected = false;
    std::int64_t breakMs = 0;   // a wire break from the start, as the jump
    std::string line = "line";  // the report line
};

// A journal as the program writes it, made with plain SQL.
class JournalFile {
  public:
    explicit JournalFile(const std::filesystem::path& file) {
        sqlite3_open(file.c_str(), &db_);
        Exec(journal::kSchemaSql);
        Exec("INSERT INTO meta VALUES ('schema', '1'), ('pc_id', '0123456789abcdef0123456789abcdef')");
    }
    ~JournalFile() { sqlite3_close(db_); }
    std::int64_t Add(const TestJob& job) {
        Exec(
            "INSERT INTO events (pc_id, utc_ms, utc_offset_s, kind, machine, machine_name, detail) VALUES "
            "('p', " +
            std::to_string(job.finish) + ", " + std::to_string(job.offset) + ", 'completed', " +
            std::to_string(job.machine) + ", '" + job.name + "', '" + job.detail + "')");
        const std::int64_t seq = sqlite3_last_insert_rowid(db_);
        Exec("INSERT INTO jobs VALUES (" + std::to_string(seq) + ", 'p', " + std::to_string(job.machine) +
             ", '" + job.name + "', 'W', " + std::to_string(job.amount) + ", " + std::to_string(job.mount) +
             ", " + std::to_string(job.start) + ", " + std::to_string(job.finish) + ", " +
             std::to_string(job.offset) + ", " + std::to_string(job.jumpMs) + ", " +
             std::to_string(job.breakMs) + ", '" + job.line + "', " + (job.corrected ? "1" : "0") + ")");
        for (const auto& [kind, ms] : {std::pair{"jump", job.jumpMs}, std::pair{"break", job.breakMs}}) {
            if (ms == 0) continue;
            Exec("INSERT INTO job_intervals VALUES (" + std::to_string(seq) + ", '" + kind + "', " +
                 std::to_string(job.start) + ", " + std::to_string(job.start + ms) + ")");
        }
        return seq;
    }
    void Rename(int machine, const std::string& name, std::int64_t at) {
        Exec("INSERT INTO events (pc_id, utc_ms, utc_offset_s, kind, machine, machine_name) VALUES ('p', " +
             std::to_string(at) + ", 3600, 'params_changed', " + std::to_string(machine) + ", '" + name +
             "')");
    }
    void Archive(const std::filesystem::path& file, const std::string& jobs, std::int64_t at) {
        Exec("INSERT INTO events (pc_id, utc_ms, utc_offset_s, kind, detail) VALUES ('p', " +
             std::to_string(at) + ", 3600, 'archived', '{\"file\":\"" + file.string() +
             "\",\"jobs\":" + jobs + "}')");
    }

    // An archive of text into file began and was killed before its archived event.
    void Intent(const std::filesystem::path& file, const std::string& text) {
        Exec("INSERT OR REPLACE INTO meta VALUES ('archive_intent', json_object('file', '" + file.string() +
             "', 'text', '" + text + "'))");
    }

    // The shared database has committed the events up to seq.
    void Sent(std::int64_t seq) {
        Exec("INSERT OR REPLACE INTO meta VALUES ('postgres_sent_seq', '" + std::to_string(seq) + "')");
    }

  private:
    void Exec(const std::string& sql) {
        char* error = nullptr;
        ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << error << "\n"
                                                                                       << sql;
    }
    sqlite3* db_ = nullptr;
};

class JournalReportTest : public ::testing::Test {
  protected:
    Report Build(std::optional<Day> from = {}, std::optional<Day> to = {}) {
        request_.from = from;
        request_.to = to;
        request_.records = {{"机床1", "30"}, {"机床2", "30"}};
        return BuildReport(request_);
    }
    static bool Lists(const Report& report, const std::string& what) {
        for (const InputProblem& problem : report.problems) {
            if (problem.reason.find(what) != std::string::npos) return true;
        }
        return false;
    }

    BerlinZone zone_;
    testing::TempFolder folder_;
    ReportRequest request_;
};

TEST_F(JournalReportTest, ExactDurationsAcrossMidnightsAndClockChanges) {
    struct Case {
        const char* what;
        TestJob job;
        std::int64_t machiningMs;
        const char* listed = nullptr;  // the job list's mount and start, as stamped
        std::int64_t netMs = -1;       // -1: machining less the jump
    };
    const Case cases[] = {
        // Mounted 8:00, started 8:10, finished 9:10 the next day: 45,000 mm² at 30 mm²/min.
        {"25 hours",
         {1, "机床1", Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 7, 10), Utc(2026, 3, 11, 8, 10), 3600, 45'000},
         25 * kHour},
        {"autumn 22:05 to 5:40",
         {1, "机床1", Utc(2026, 10, 24, 20, 0), Utc(2026, 10, 24, 20, 5), Utc(2026, 10, 25, 4, 40), 3600},
         8 * kHour + 35 * kMinute},
        {"inside the repeated hour",
         {1, "机床1", Utc(2026, 10, 25, 0, 20), Utc(2026, 10, 25, 0, 35), Utc(2026, 10, 25, 1, 15), 3600},
         40 * kMinute},
        {"spring 1:00 to 5:00",
         {1, "机床1", Utc(2026, 3, 29, 0, 0), Utc(2026, 3, 29, 0, 0), Utc(2026, 3, 29, 3, 0), 7200},
         3 * kHour},
        // Stamps with their milliseconds: the list shows them, not a start worked back from the finish.
        {"stamps 8:00:00.4, 10:00:00.9, 12:00:00.1",
         {1, "机床1", Utc(2026, 3, 10, 7, 0) + 400, Utc(2026, 3, 10, 9, 0) + 900,
          Utc(2026, 3, 10, 11, 0) + 100, 3600},
         2 * kHour - 1000,
         "2026-03-10 08:00:00|2026-03-10 10:00:00"},
        // A jump and a wire break open at once: the half hour they share is stopped once.
        {"jump 0:30 and break 0:20 from the start",
         {1, "机床1", Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 9, 0), 3600, 1800,
          30 * kMinute, "{}", false, 20 * kMinute},
         2 * kHour,
         nullptr,
         90 * kMinute},
        // The clock set back an hour while a jump ran and before the finish: nothing negative, and the
        // job is listed as uncertain.
        {"clock set back an hour",
         {1, "机床1", Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 7, 10), Utc(2026, 3, 10, 6, 15), 3600, 1800,
          -3'593'463},
         0,
         "2026-03-10 08:00:00|2026-03-10 08:10:00",
         0},
    };
    request_.listJobs = true;
    for (const Case& c : cases) {
        testing::TempFolder folder;
        JournalFile(folder / "journal.sqlite").Add(c.job);
        request_.journals = {folder / "journal.sqlite"};
        const Report report = Build(MakeDay(2026, 1, 1), MakeDay(2026, 12, 31));
        testing::ReportAgreeingWithItsDatabase(request_, folder / "jobs.db", c.what);
        ASSERT_EQ(report.overview.size(), 1u) << c.what;
        EXPECT_EQ(report.overview[0].machining * 1000, c.machiningMs) << c.what;
        EXPECT_EQ(report.overview[0].jobs, 1) << c.what;
        EXPECT_EQ(report.overview[0].net * 1000, c.netMs >= 0 ? c.netMs : c.machiningMs - c.job.jumpMs)
            << c.what;
        EXPECT_TRUE(report.notices.empty()) << c.what;
        EXPECT_EQ(Lists(report, rmsg::kTimeRanBackwards), c.job.finish < c.job.start) << c.what;
        if (c.listed) {
            ASSERT_EQ(report.jobList.size(), 1u);
            const std::vector<std::string> row = JobRow(report.jobList[0]);
            EXPECT_EQ(row[2] + "|" + row[3], c.listed);
        }
        if (c.job.amount == 45'000) {
            EXPECT_NEAR(*report.overview[0].efficiency, 30.0, 0.01);
            ASSERT_EQ(report.advice.size(), 1u);
            EXPECT_NE(report.advice[0].suggested, 347);
            EXPECT_NE(report.advice[0].verdict, Verdict::Long);
        }
    }
}

TEST_F(JournalReportTest, ShareOfAClockChangeDayIsOverItsRealLength) {
    JournalFile(folder_ / "journal.sqlite")
        .Add(
            {1, "机床1", Utc(2026, 10, 24, 22, 0), Utc(2026, 10, 24, 22, 0), Utc(2026, 10, 25, 23, 0), 3600});
    request_.journals = {folder_ / "journal.sqlite"};
    const Day day = *MakeDay(2026, 10, 25);
    const Report report = Build(day, day);
    ASSERT_EQ(report.periods.size(), 1u);
    EXPECT_EQ(report.periods[0].machining, 25 * 3600);  // the whole local day
    EXPECT_DOUBLE_EQ(report.periods[0].share, 1.0);
}

TEST_F(JournalReportTest, RenamedMachineIsOneRowUnderItsCurrentNameAndCorrectionsAreListed) {
    JournalFile journal(folder_ / "journal.sqlite");
    journal.Add({2, "机床2", Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 7, 0), Utc(2026, 3, 10, 9, 0), 3600});
    journal.Rename(2, "快走丝2号", Utc(2026, 3, 11, 7, 0));
    journal.Add(
        {2, "快走丝2号", Utc(2026, 3, 12, 7, 0), Utc(2026, 3, 12, 7, 0), Utc(2026, 3, 12, 9, 0), 3600, 40'000,
         0,
         R"({"stamped":{"amount":"45000","finish":"10:00:00"},"final":{"amount":"40000","finish":"10:00:00"}})",
         true});
    request_.journals = {folder_ / "journal.sqlite"};
    const Report report = Build();
    ASSERT_EQ(report.overview.size(), 1u);
    EXPECT_EQ(report.overview[0].machine, "快走丝2号");
    EXPECT_EQ(report.overview[0].jobs, 2);
    EXPECT_TRUE(Lists(report, "加工量：45000 → 40000"));
    EXPECT_FALSE(Lists(report, "完成："));  // an unchanged field is not listed

    // Sent up to the first job: the rename and the second job are not on the shared database yet.
    journal.Sent(1);
    const Report behind = Build();
    ASSERT_EQ(behind.notices.size(), 1u);
    EXPECT_EQ(behind.notices[0].reason, "尚有 2 个事件未发送到共享数据库（自 2026-03-11 08:00 起）");
    journal.Sent(3);
    EXPECT_TRUE(Build().notices.empty());
}

TEST_F(JournalReportTest, ArchiveLinesTheJournalHoldsCountOnceAcrossTwoArchivesOfADay) {
    const auto line = [](int number, const char* workpiece, const char* finish) {
        return BuildReportLine(
                   number, {"机床1", workpiece, "8:00:00", "8:00:00", "0:00:00", "0:00:00", finish, "600"}) +
               "\r\n";
    };
    // Archive time 0:00: the file of 11 March holds 10 March. Its second archive numbers from 1 again
    // and repeats a line a loaded snapshot brought back (A); D was written by hand, outside the journal.
    testing::TempFolder archive;
    testing::Put(archive / "2026-3-11.txt",
                 ToGbk(line(1, "A", "9:00:00") + line(2, "B", "10:00:00") + line(1, "A", "9:00:00") +
                       line(2, "C", "11:00:00") + line(3, "D", "12:00:00")));
    JournalFile journal(folder_ / "journal.sqlite");
    const auto job = [&](int hour) {
        return journal.Add({1, "机床1", Utc(2026, 3, 10, hour - 2, 0), Utc(2026, 3, 10, hour - 2, 0),
                            Utc(2026, 3, 10, hour - 1, 0), 3600, 600});
    };
    const std::int64_t a = job(9), b = job(10);
    journal.Archive(archive / "2026-3-11.txt",
                    "[[" + std::to_string(a) + ",1],[" + std::to_string(b) + ",2]]", Utc(2026, 3, 10, 12, 0));
    const std::int64_t c = job(11);
    journal.Archive(archive / "2026-3-11.txt",
                    "[[" + std::to_string(a) + ",3],[" + std::to_string(c) + ",4]]", Utc(2026, 3, 10, 13, 0));
    request_.folders = {archive.Path()};
    request_.journals = {folder_ / "journal.sqlite"};
    const Report report = Build();
    EXPECT_EQ(report.jobs, 4u);  // A, B, C from the journal, D from its line
    ASSERT_EQ(report.overview.size(), 1u);
    EXPECT_EQ(report.overview[0].machining, 7 * 3600);  // D ran 4 hours
    EXPECT_TRUE(report.notices.empty());

    // A third archive killed after its lines reached the file, before its archived event: E counts once.
    std::string e = line(4, "E", "12:30:00");
    e.resize(e.size() - 2);
    journal.Add({.machine = 1,
                 .name = "机床1",
                 .mount = Utc(2026, 3, 10, 11, 0),
                 .start = Utc(2026, 3, 10, 11, 0),
                 .finish = Utc(2026, 3, 10, 11, 30),
                 .offset = 3600,
                 .amount = 600,
                 .line = e});
    journal.Intent(archive / "2026-3-11.txt", e);
    testing::Put(archive / "2026-3-11.txt", testing::Slurp(archive / "2026-3-11.txt") + ToGbk(e + "\r\n"));
    EXPECT_EQ(Build().jobs, 5u);
}

TEST_F(JournalReportTest, ReadsWhatTheProgramsJournalWrites) {
    const journal::Stamp mount{Utc(2026, 3, 10, 7, 0), 3600}, start{Utc(2026, 3, 10, 7, 10), 3600},
        finish{Utc(2026, 3, 11, 8, 10), 3600};
    {
        journal::Journal writer(folder_.Path());
        ASSERT_TRUE(writer.Open(mount));
        ASSERT_TRUE(writer.Append({"mounted", mount, 1, "机床1", {}, {}, "{}"}));
        ASSERT_TRUE(writer.Append({"started", start, 1, "机床1", "W", 45'000, "{}"}));
        journal::Completion completion;
        completion.reportNo = 1;
        completion.stamped = {"机床1", "W", "8:00:00", "8:10:00", "0:00:00", "0:00:00", "9:10:00", "45000"};
        completion.confirmed = completion.stamped;
        completion.confirmed[7] = "40000";
        completion.line = BuildReportLine(1, completion.confirmed);
        ASSERT_TRUE(writer.AppendCompleted({"completed", finish, 1, "机床1", "W", 40'000, "{}"}, completion));
    }
    request_.journals = {folder_ / "journal.sqlite"};
    const Report report = Build(MakeDay(2026, 3, 1), MakeDay(2026, 3, 31));
    ASSERT_EQ(report.overview.size(), 1u);
    EXPECT_EQ(report.overview[0].machining, 25 * 3600);
    EXPECT_TRUE(Lists(report, "加工量：45000 → 40000"));
}

TEST_F(JournalReportTest, DatabaseCarriesTheJournalsInstantsMachineNumberAndPc) {
    JournalFile journal(folder_ / "journal.sqlite");
    const std::int64_t mount = Utc(2026, 3, 10, 7, 0), finish = Utc(2026, 3, 11, 8, 10);
    journal.Add({2, "机床2", mount, mount + 10 * kMinute, finish, 3600});
    journal.Rename(2, "快走丝2号", finish + kHour);
    request_.journals = {folder_ / "journal.sqlite"};
    JobDatabase database;
    std::string why;
    ASSERT_TRUE(database.Open(folder_ / "jobs.sqlite", why)) << why;
    request_.eachJob = [&](const ReadJob& job) { database.Add(job); };
    const Report report = Build(MakeDay(2026, 3, 1), MakeDay(2026, 3, 31));
    ASSERT_TRUE(database.Commit(report.problems, why)) << why;
    EXPECT_EQ(testing::QueryRows(folder_ / "jobs.sqlite",
                                 "SELECT machine, machine_number, pc_id, mount_utc_ms, finish_utc_ms, "
                                 "machining_seconds FROM jobs"),
              (testing::Rows{{"快走丝2号", "2", "0123456789abcdef0123456789abcdef", std::to_string(mount),
                              std::to_string(finish), std::to_string(25 * 3600)}}));
}

TEST_F(JournalReportTest, TextLinesResolveClockChangesAndFlagWhatTheyCannotTell) {
    struct Case {
        const char* what;
        const char* file;  // archive at 0:00: the file's date is the day after the finish
        CompletionFields fields;
        int machining;       // seconds summed
        const char* listed;  // a problem listed, or nullptr
    };
    const Case cases[] = {
        {"25 hours read as one",
         "2026-3-12.txt",
         {"机床1", "A", "8:00:00", "8:10:00", "0:00:00", "0:00:00", "9:10:00", "45000"},
         3600,
         rmsg::kLongerThanDay},
        {"autumn 22:05 to 5:40",
         "2026-10-26.txt",
         {"机床1", "A", "22:00:00", "22:05:00", "0:00:00", "0:00:00", "5:40:00", "900"},
         8 * 3600 + 35 * 60,
         nullptr},
        {"40 minutes in the repeated hour",
         "2026-10-26.txt",
         {"机床1", "A", "2:20:00", "2:35:00", "0:00:00", "0:00:00", "2:15:00", "900"},
         40 * 60,
         nullptr},
        {"spring 1:00 to 5:00",
         "2026-3-30.txt",
         {"机床1", "A", "1:00:00", "1:00:00", "0:00:00", "0:00:00", "5:00:00", "900"},
         3 * 3600,
         nullptr},
        {"a start in the skipped hour",
         "2026-3-30.txt",
         {"机床1", "A", "2:30:00", "2:30:00", "0:00:00", "0:00:00", "5:00:00", "900"},
         0,
         rmsg::kClockChangeUnresolved},
        {"a jump and a wire break longer together than the job",
         "2026-3-11.txt",
         {"机床1", "A", "8:00:00", "8:00:00", "1:00:00", "0:40:00", "9:30:00", "900"},
         90 * 60,
         rmsg::kJumpAndBreakExceed},
    };
    for (const Case& c : cases) {
        testing::TempFolder archive;
        testing::Put(archive / c.file, ToGbk(BuildReportLine(1, c.fields) + "\r\n"));
        request_.folders = {archive.Path()};
        request_.journals.clear();
        const Report report = Build(MakeDay(2026, 1, 1), MakeDay(2026, 12, 31));
        testing::ReportAgreeingWithItsDatabase(request_, archive / "jobs.db", c.what);
        ASSERT_EQ(report.overview.size(), 1u) << c.what;
        if (c.machining > 0) {
            EXPECT_EQ(report.overview[0].machining, c.machining) << c.what;
        }
        EXPECT_TRUE(report.notices.empty()) << c.what;
        EXPECT_EQ(c.listed != nullptr, c.listed && Lists(report, c.listed)) << c.what;
        if (c.listed == rmsg::kLongerThanDay) {
            for (const EfficiencyAdvice& advice : report.advice)
                EXPECT_FALSE(advice.suggested) << "a job it cannot time must not teach the efficiency";
        }
    }
}

}  // namespace
}  // namespace kerfolio

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QTimeEdit>
#include <fstream>

#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "storage/gbk.h"
#include "storage/report_line.h"
#include "tests/app/form_window.h"

namespace kerfolio::test {
namespace {

long ResidentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// One job on machine m through the same rules the dialogs' OK buttons call.
std::string RunJob(TJobBoard& board, int m, TDateTime start) {
    const double minute = 1.0 / 1440;
    auto confirm = [&](TEventColumn column, double at) {
        EXPECT_TRUE(ClickCell(board, CellNumber(m, column), start + at * minute).confirmation.has_value());
        return ConfirmPendingEvent(board);
    };
    confirm(ecMount, 0);
    EXPECT_TRUE(confirm(ecStart, 1).openEntry);
    EXPECT_EQ(ApplyWorkpieceEntry(board, "凹模" + std::to_string(m), "1500"), std::nullopt);
    confirm(ecJumpStart, 2);
    confirm(ecJumpEnd, 3);
    const ClickOutcome unmount = ClickCell(board, CellNumber(m, ecUnmount), start + 4 * minute);
    EXPECT_TRUE(unmount.completion.has_value());
    return BuildReportLine(CompleteJob(board), *unmount.completion);
}

QStringList DayFiles(const QString& folder) {
    return QDir(folder).entryList({"*.txt"}, QDir::Files, QDir::Name);
}

TEST(LongDay, TwoThousandJobsWithSnapshotsAndArchivesKeepNumberingFilesAndMemory) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.findChild<QCheckBox*>("CheckBox3")->setChecked(true);
    w.form.findChild<QLineEdit*>("Edit43")->setText(folder.Path());
    w.form.findChild<QTimeEdit*>("DateTimePicker1")->setTime(QTime(23, 0, 0));

    double day = 46'000;
    int sinceArchive = 0;
    std::vector<long> residentAfterArchive;
    for (int job = 0; job < 2'000; ++job) {
        const double start = day + 0.25 + (job % 250) * 5.0 / 1440 / 2;  // jobs fill the day shift
        const std::string line = RunJob(w.form.Board(), job % 6 + 1, start);
        w.form.AppendNotePadLine(QString::fromStdString(line));
        ++sinceArchive;
        ASSERT_EQ(line.substr(0, line.find(' ')), std::to_string(sinceArchive));
        if (job % 100 == 99) {
            ASSERT_TRUE(w.form.SaveSnapshot());
            EXPECT_EQ(FileBytes(folder.Path() + "/temp.sav").count("\r\n"), sinceArchive - 1);
        }
        if (job % 250 == 249) {
            w.clock.now = day + 23.0 / 24;  // the archive time of that day
            w.Tick();
            ASSERT_TRUE(w.messages.errors.isEmpty()) << w.messages.errors.join('|').toStdString();
            ASSERT_EQ(w.form.NotePad()->toPlainText(), "");
            sinceArchive = 0;
            day += 1;
            residentAfterArchive.push_back(ResidentKiB());
        }
    }
    const QStringList files = DayFiles(folder.Path());
    ASSERT_EQ(files.size(), 8);
    for (const QString& name : files) {
        const QStringList lines =
            QString::fromStdString(FromGbk(FileBytes(folder.Path() + "/" + name).toStdString()))
                .split("\r\n");
        ASSERT_EQ(lines.size(), 250) << name.toStdString();
        EXPECT_TRUE(lines.front().startsWith("1    机床:"));
        EXPECT_TRUE(lines.back().startsWith("250    机床:"));
    }
#if !defined(__SANITIZE_ADDRESS__)
    // An archive empties the NotePad: what the later archives hold on to must not pile up.
    EXPECT_LT(residentAfterArchive.back() - residentAfterArchive[1], 4 * 1024)
        << residentAfterArchive[1] << " KiB after the second archive";
#endif
}

}  // namespace
}  // namespace kerfolio::test

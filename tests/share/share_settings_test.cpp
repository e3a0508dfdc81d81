// Reading the share settings and wording the backlog: no server needed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "share/messages.h"
#include "share/sender.h"
#include "share/share_settings.h"
#include "storage/data_folder.h"
#include "storage/settings_file.h"
#include "tests/storage/temp_folder.h"

namespace kerfolio::share {
namespace {

TEST(ShareSettings, EachKeyAndItsProblems) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> keys;
        std::string conninfo, problem;
    } cases[] = {
        {{}, "", ""},
        {{{"database", "  "}}, "", ""},
        {{{"database", "host=office dbname=kerfolio user=hall1"}},
         "host=office dbname=kerfolio user=hall1",
         ""},
        {{{"database", "postgresql://hall1@office/kerfolio?sslmode=require"}},
         "postgresql://hall1@office/kerfolio?sslmode=require",
         ""},
        // Cut at the read limit it would be another string: refused rather than half used.
        {{{"database", "host=office user=hall1 password=" + std::string(80, 'x')}}, "", kConninfoTooLong},
        {{{"database_file", "share.conn"}},
         "host=office dbname=kerfolio password=" + std::string(200, 'y'),
         ""},
        {{{"database_file", "missing.conn"}}, "", kConninfoFileUnreadable},
        // Read without waiting on a writer or a device, and not at any size.
        {{{"database_file", "fifo.conn"}}, "", kConninfoFileUnreadable},
        {{{"database_file", "/dev/zero"}}, "", kConninfoFileUnreadable},
        {{{"database_file", "huge.conn"}}, "", kConninfoFileUnreadable},
        {{{"service", "kerfolio hall'1"}}, "service='kerfolio hall\\'1'", ""},
        {{{"database", "host=a"}, {"service", "b"}}, "host=a", ""},
    };
    for (const auto& c : cases) {
        testing::TempFolder folder;
        std::ofstream(folder.Path() / "share.conn")
            << "host=office dbname=kerfolio password=" << std::string(200, 'y') << "\nsecond line ignored\n";
        ::mkfifo((folder.Path() / "fifo.conn").c_str(), 0600);
        std::ofstream(folder.Path() / "huge.conn") << "host=a " << std::string(1 << 20, ' ') << "\n";
        SettingsFile settings(SettingsPath(folder.Path()));
        ASSERT_TRUE(settings.Write("other", "x", "1"));
        for (const auto& [key, value] : c.keys)
            ASSERT_TRUE(settings.Write("share", key, value));
        const ShareSettings read = ReadShareSettings(folder.Path());
        EXPECT_EQ(read.conninfo, c.conninfo);
        EXPECT_EQ(read.problem.value_or("").substr(0, c.problem.size()), c.problem);
        EXPECT_EQ(read.problem.has_value(), !c.problem.empty());
    }
}

SenderStatus Backlogged(std::int64_t pending, std::int64_t sinceMs) {
    SenderStatus status;
    status.pending = pending;
    status.pendingSinceMs = sinceMs;
    return status;
}

TEST(LagText, ShowsCountAndLocalTimeOfTheOldest) {
    constexpr std::int64_t kOldest = 1796000001000;  // 00:53:21 UTC
    struct Case {
        SenderStatus status;
        int offset;
        std::string text;
    } cases[] = {
        {Backlogged(0, kOldest), 0, ""},
        {Backlogged(5, kOldest), 8 * 3600, "尚有 5 个事件未发送到共享数据库（自 08:53 起）"},
        {Backlogged(1200, kOldest), -5 * 3600, "尚有 1200 个事件未发送到共享数据库（自 19:53 起）"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LagText(c.status, c.offset), c.text);
}

}  // namespace
}  // namespace kerfolio::share

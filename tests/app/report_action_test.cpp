#include "app/report_action.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// The menu's 报表 runs where nobody reads an error stream: every way it fails comes up in a box that
// says why and where the report is, and a report that opens shows no box at all.
TEST(ReportAction, FailuresComeUpInABoxWithTheReasonAndThePage) {
    struct Case {
        const char* what;
        bool saveIni;
        const char* opener;
        int status;
        QStringList boxParts;  // empty: no box
    } cases[] = {
        {"no save.ini yet", false, "true", 1, {"报表未能打开", "还没有 save.ini", "@data"}},
        {"no browser", true, "/nonexistent/xdg-open", 1, {"报表未能打开", "无法启动", "@page"}},
        {"a browser that fails", true, "false", 1, {"报表未能打开", "未能打开报表", "@page"}},
        {"opened", true, "true", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder root;
        Environment environment;
        environment.exeFolder = (root.Path() + "/program").toStdString();
        environment.userDataFolder = (root.Path() + "/data").toStdString();
        environment.cacheFolder = (root.Path() + "/cache").toStdString();
        environment.today = *MakeDay(2026, 12, 8);
        environment.opener = c.opener;
        QDir().mkpath(root.Path() + "/program");
        QDir().mkpath(root.Path() + "/archive");
        if (c.saveIni) {
            QFile ini(root.Path() + "/program/save.ini");
            ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
            ini.write("[file]\r\ndir=" + (root.Path() + "/archive/").toLocal8Bit() + "\r\n");
        }
        const QString page = root.Path() + "/cache/report.html";

        RecordingMessages messages;
        EXPECT_EQ(ShowRecentReport(environment, messages), c.status);
        EXPECT_TRUE(messages.shown.isEmpty());
        if (c.boxParts.isEmpty()) {
            EXPECT_TRUE(messages.errors.isEmpty()) << messages.errors.join('|').toStdString();
        } else {
            ASSERT_EQ(messages.errors.size(), 1);
            for (QString part : c.boxParts) {
                part.replace("@data", root.Path() + "/program").replace("@page", page);
                EXPECT_TRUE(messages.errors[0].contains(part))
                    << messages.errors[0].toStdString() << " lacks " << part.toStdString();
            }
            EXPECT_FALSE(messages.errors[0].contains("kerfolio-report:")) << "no other program is named";
        }
        EXPECT_EQ(QFileInfo::exists(page), c.saveIni);
    }
}

}  // namespace
}  // namespace kerfolio::test

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <csignal>
#include <memory>

#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// The real program copied into a folder of its own, which is then its data folder, with a runtime
// folder of its own for the lock; no test touches a real data folder.
class Installation {
  public:
    Installation() {
        EXPECT_TRUE(QFile::copy(QStringLiteral(KERFOLIO_EXE), Program()));
        env_.insert("QT_QPA_PLATFORM", "offscreen");
        env_.insert("XDG_RUNTIME_DIR", runtime_.Path());
    }
    ~Installation() {
        for (auto& process : processes_) {
            process->kill();
            process->waitForFinished();
        }
    }
    QString Folder() const { return folder_.Path(); }
    QString Program() const { return folder_.Path() + "/kerfolio"; }

    QProcess* Start(const QStringList& arguments = {}) {
        auto& process = processes_.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(env_);
        if (arguments.isEmpty()) process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(Program(), arguments);
        EXPECT_TRUE(process->waitForStarted());
        return process.get();
    }
    // Up and handing over (its socket is there), its window made (the first start writes save.ini).
    bool Up() const {
        return !QDir(runtime_.Path()).entryList({"*.socket"}, QDir::System).isEmpty() &&
               QFileInfo::exists(Folder() + "/save.ini");
    }

    // Every file of the data folder with its bytes and time.
    QMap<QString, QString> Files() const {
        QMap<QString, QString> files;
        for (const QFileInfo& info : QDir(Folder()).entryInfoList(QDir::Files | QDir::Hidden)) {
            // The running first program's journal is its own to write (a checkpoint, its shared index).
            if (info.fileName().startsWith("journal.sqlite")) continue;
            QFile file(info.filePath());
            file.open(QIODevice::ReadOnly);
            files[info.fileName()] = info.lastModified().toString(Qt::ISODateWithMs) + file.readAll().toHex();
        }
        return files;
    }

  private:
    TempFolder folder_;
    TempFolder runtime_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
    std::vector<std::unique_ptr<QProcess>> processes_;
};

bool Running(QProcess* process, int forMs) {
    return !process->waitForFinished(forMs) && process->state() == QProcess::Running;
}

void ExpectEndedWell(QProcess* process) {
    if (process->state() != QProcess::NotRunning) {
        EXPECT_TRUE(process->waitForFinished(4000));
    }
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
}

TEST(Program, ASecondStartHandsOverAndEndsWithoutTouchingAFile) {
    Installation kerfolio;
    QProcess* first = kerfolio.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kerfolio.Up(); }, 10000));
    const auto before = kerfolio.Files();
    ASSERT_TRUE(before.contains("save.ini"));

    QProcess* second = kerfolio.Start();
    ExpectEndedWell(second);
    EXPECT_EQ(kerfolio.Files(), before);
    EXPECT_TRUE(Running(first, 100));
}

// A terminal's questions are answered at once, whether a copy runs or not, and leave the data folder
// and the running copy alone; an option that does not read is refused before anything starts.
TEST(Program, CommandLineAnswersWithoutTouchingTheDataFolder) {
    struct Case {
        QStringList arguments;
        int status;
        QString outMatch;  // a regular expression the whole standard output matches
        QString errPart;
    } cases[] = {
        {{"--version"}, 0, "kerfolio \\d+\\.\\d+(\\.\\d+)?\n", ""},
        {{"--help"}, 0, "Usage: kerfolio \\[options\\]\n(.|\n)*--report(.|\n)*", ""},
        {{"--bogus"}, 2, "", "Unknown option 'bogus'"},
        {{"archive.txt"}, 2, "", "Unexpected argument 'archive.txt'"},
    };
    Installation kerfolio;
    for (const bool copyRunning : {false, true}) {
        QProcess* first = copyRunning ? kerfolio.Start() : nullptr;
        if (first) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return kerfolio.Up(); }, 10000));
        }
        const auto before = kerfolio.Files();
        for (const Case& c : cases) {
            SCOPED_TRACE(c.arguments.join(' ').toStdString() + (copyRunning ? ", a copy running" : ""));
            QProcess* asked = kerfolio.Start(c.arguments);
            ASSERT_TRUE(asked->waitForFinished(10000));
            EXPECT_EQ(asked->exitCode(), c.status);
            const QString out = QString::fromLocal8Bit(asked->readAllStandardOutput());
            const QString err = QString::fromLocal8Bit(asked->readAllStandardError());
            EXPECT_TRUE(QRegularExpression("^(" + c.outMatch + ")$").match(out).hasMatch())
                << out.toStdString();
            EXPECT_TRUE(c.errPart.isEmpty() ? err.isEmpty() : err.contains(c.errPart)) << err.toStdString();
        }
        EXPECT_EQ(kerfolio.Files(), before);
        if (first) {
            EXPECT_TRUE(Running(first, 100));
        }
    }
}

// The menu's 报表 without a save.ini waits in its error box, and ends with the session like the window.
TEST(Program, ReportErrorBoxWaitsAndEndsWithTheSession) {
    Installation kerfolio;
    QProcess* report = kerfolio.Start({"--report"});
    EXPECT_TRUE(Running(report, 1500)) << "the box is up";
    report->terminate();
    ASSERT_TRUE(report->waitForFinished(4000));
    EXPECT_EQ(report->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(report->exitCode(), 1);
    EXPECT_EQ(kerfolio.Files().keys(), QStringList{"kerfolio"})
        << "the report writes nothing beside the program";
}

TEST(Program, TwoStartsAtTheSameMomentLeaveOne) {
    Installation kerfolio;
    QProcess* a = kerfolio.Start();
    QProcess* b = kerfolio.Start();
    QTest::qWait(3000);
    const int running = (a->state() == QProcess::Running) + (b->state() == QProcess::Running);
    EXPECT_EQ(running, 1);
    ExpectEndedWell(a->state() == QProcess::Running ? b : a);
}

TEST(Program, ALockLeftByAKilledProgramDoesNotStopTheNextStart) {
    Installation kerfolio;
    QProcess* crashed = kerfolio.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kerfolio.Up(); }, 10000));
    crashed->kill();
    ASSERT_TRUE(crashed->waitForFinished());

    QProcess* next = kerfolio.Start();
    EXPECT_TRUE(Running(next, 3000));
    ExpectEndedWell(kerfolio.Start());  // and it hands over like any running program
    EXPECT_TRUE(Running(next, 100));
}

TEST(Program, SigtermClosesLikeTheCloseBox) {
    Installation kerfolio;
    QFile ini(kerfolio.Folder() + "/save.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[checkbox1]\r\nchecked=true\r\n");
    ini.close();
    QProcess* program = kerfolio.Start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kerfolio.Up(); }, 10000));
    program->terminate();
    ExpectEndedWell(program);
    EXPECT_TRUE(QFileInfo::exists(kerfolio.Folder() + "/temp.sav"));
    QFile saved(kerfolio.Folder() + "/save.ini");
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_TRUE(saved.readAll().contains("\r\nE=0")) << "the board's keys were written by the close";
}

// A box start-up shows (an automatic load that fails, an archive time that does not read) once held
// the termination signals back, so a shutdown waited for its kill timeout.
TEST(Program, TerminationSignalsEndAStartUpThatShowsABox) {
    const struct {
        const char* settings;
        int signal;
    } cases[] = {
        {"[time]\r\ntime1=noon\r\n", SIGTERM},
        {"[checkbox2]\r\nchecked=true\r\n", SIGHUP},  // and no temp.sav to load
        {"[time]\r\ntime1=abc\r\n", SIGINT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.settings);
        Installation kerfolio;
        QFile ini(kerfolio.Folder() + "/save.ini");
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(c.settings);
        ini.close();
        QProcess* program = kerfolio.Start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return kerfolio.Up(); }, 10000));
        QTest::qWait(300);  // the box is open by now, or opens after the signal: either way it must go
        ::kill(static_cast<pid_t>(program->processId()), c.signal);
        ExpectEndedWell(program);
        EXPECT_TRUE(QFileInfo::exists(kerfolio.Folder() + "/temp.sav")) << "ended through the close";
    }
}

}  // namespace
}  // namespace kerfolio::test

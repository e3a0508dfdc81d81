#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <filesystem>
#include <functional>

#include "app/form1.h"
#include "storage/settings_file.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class Startup : public ::testing::Test {
  protected:
    SettingsFile Settings() { return SettingsFile(folder_.Path().toStdString() + "/save.ini"); }
    bool Exists(const char* name) { return QFile::exists(folder_.Path() + "/" + name); }

    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
};

TEST_F(Startup, StartupPasswordDecidesWhetherTheWindowShows) {
    struct Case {
        const char* typed;
        const char* button;
        bool runs;
    } cases[] = {
        {"4826", "OKBtn", true}, {"4826 ", "OKBtn", false}, {"", "OKBtn", false}, {"x", "CancelBtn", true}};
    for (const auto& c : cases) {
        TempFolder folder;
        SettingsFile settings(folder.Path().toStdString() + "/save.ini");
        settings.Write("checkbox4", "checked", "true");
        RecordingMessages messages;
        TForm1 form({folder.Path().toStdString(), &messages, &clock_});
        ModalScript script;
        bool visibleDuringPrompt = true;
        script.Then([&](QWidget* dlg) {
            visibleDuringPrompt = form.isVisible();
            EXPECT_EQ(dlg->objectName(), "TPasswordDlg");
            Type(dlg, "Password", c.typed);
            Click(dlg, c.button);
        });
        EXPECT_EQ(form.Start(), c.runs) << c.typed << " " << c.button;
        EXPECT_TRUE(script.Finished());
        EXPECT_FALSE(visibleDuringPrompt) << "the prompt comes before the window";
        EXPECT_EQ(form.isVisible(), c.runs);
        EXPECT_TRUE(messages.shown.isEmpty()) << "a wrong password is never announced";
        // Ending goes through the ordinary close, which writes the first snapshot.
        EXPECT_EQ(QFile::exists(folder.Path() + "/temp.sav"), !c.runs);
    }
}

TEST_F(Startup, NoPromptWhenTheOptionIsOff) {
    Settings().Write("checkbox4", "checked", "True");  // only the exact word switches it on
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    ModalScript script;
    script.Then(Press("CancelBtn"));
    EXPECT_TRUE(form.Start());
    QTest::qWait(30);
    EXPECT_EQ(script.Answered(), 0);
}

TEST_F(Startup, MachineNamesComeFromTheSettings) {
    Settings().Write("save", "aa1", "");
    Settings().Write("save", "ac1", "CNC-7");
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    EXPECT_EQ(form.findChild<QLabel*>("StaticText1")->text(), "");
    EXPECT_EQ(form.findChild<QLabel*>("StaticText2")->text(), "机床2");
    EXPECT_EQ(form.findChild<QLabel*>("StaticText3")->text(), "CNC-7");
    EXPECT_EQ(form.Board().Caption(3), "CNC-7");
}

TEST_F(Startup, AutomaticLoadRestoresTheSnapshotBeforeTheWindowShows) {
    {
        TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
        form.Board().SetCell(5, ecMount, "6:30:00");
        form.Board().SetJobCount(7);
        form.SaveSnapshot();
    }
    Settings().Write("checkbox2", "checked", "true");
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    EXPECT_EQ(form.Board().Cell(5, ecMount), "6:30:00");
    EXPECT_EQ(form.Board().JobCount(), 7);
    EXPECT_TRUE(messages_.errors.isEmpty());
}

// Such a file used to start the program on defaults without a word, or hang it before any window.
TEST_F(Startup, ASettingsFileThatDoesNotReadIsReportedNamingIt) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* reason;
    } cases[] = {
        {"folder", [](const std::string& file) { std::filesystem::create_directory(file); },
         "Is a directory"},
        {"FIFO", [](const std::string& file) { ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0); },
         "Not a regular file"},
        {"link to /dev/zero",
         [](const std::string& file) { std::filesystem::create_symlink("/dev/zero", file); },
         "Not a regular file"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        const std::string file = folder.Path().toStdString() + "/save.ini";
        c.make(file);
        RecordingMessages messages;
        TForm1 form({folder.Path().toStdString(), &messages, &clock_});
        ASSERT_FALSE(messages.errors.isEmpty()) << c.what;
        EXPECT_EQ(messages.errors[0],
                  QString::fromStdString("Cannot open file \"" + file + "\". " + c.reason + "."))
            << c.what;
        EXPECT_EQ(std::filesystem::symlink_status(file).type() == std::filesystem::file_type::regular, false)
            << c.what << " left as it was";
    }
}

// The archive folder may be shared: the pid may be a writer on another PC. The archive itself removes
// old temporaries under the folder's lock.
TEST_F(Startup, LeftoversInTheArchiveFolderAreLeftToTheArchive) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(dead, nullptr, 0), dead);
    const QString archive = folder_.Path() + "/archive";
    ASSERT_TRUE(QDir().mkpath(archive));
    ASSERT_TRUE(Settings().Write("file", "dir", archive.toStdString()));
    const QString leftover = archive + "/.2026-12-8.txt.tmp-" + QString::number(dead) + "-0";
    const QString day = archive + "/2026-12-8.txt";
    for (const QString& name : {leftover, day}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    EXPECT_TRUE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(day));
}

TEST_F(Startup, ASecondStartBringsTheWindowBackAsItWasBeforeMinimising) {
    for (const bool maximised : {false, true}) {
        SCOPED_TRACE(maximised);
        TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
        ASSERT_TRUE(form.Start());
        if (maximised) form.showMaximized();
        form.showMinimized();
        ASSERT_TRUE(form.isMinimized());
        form.ComeBack();
        EXPECT_FALSE(form.isMinimized());
        EXPECT_EQ(form.isMaximized(), maximised);
        EXPECT_TRUE(form.isVisible());
    }
}

// With the start-up password on, the prompt is the only window: minimised, it must come back too.
TEST_F(Startup, ASecondStartBringsBackAMinimisedStartUpPrompt) {
    Settings().Write("checkbox4", "checked", "true");
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    ModalScript script;
    bool promptBack = false;
    bool windowShown = true;
    script.Then([&](QWidget* prompt) {
        prompt->showMinimized();
        ASSERT_TRUE(prompt->isMinimized());
        form.ComeBack();
        promptBack = !prompt->isMinimized() && prompt->isVisible();
        windowShown = form.isVisible();
        Type(prompt, "Password", "4826");
        Click(prompt, "OKBtn");
    });
    EXPECT_TRUE(form.Start());
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(promptBack);
    EXPECT_FALSE(windowShown) << "the window still waits for the password";
}

}  // namespace
}  // namespace kerfolio::test

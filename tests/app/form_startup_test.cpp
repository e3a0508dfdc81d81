#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QTest>

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
        form.Board().JobCount = 7;
        form.SaveSnapshot();
    }
    Settings().Write("checkbox2", "checked", "true");
    TForm1 form({folder_.Path().toStdString(), &messages_, &clock_});
    EXPECT_EQ(form.Board().Cell(5, ecMount), "6:30:00");
    EXPECT_EQ(form.Board().JobCount, 7);
    EXPECT_TRUE(messages_.errors.isEmpty());
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

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>

#include "tests/app/options_test_support.h"

namespace kerfolio::test {
namespace {

using OptionsPageTest = OptionsFixture;

// Lines of save.ini holding a value, so a test sees every key an operation wrote.
QStringList ValueLines(const std::filesystem::path& file) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) return {};
    QStringList lines;
    for (const QByteArray& line : in.readAll().split('\n'))
        if (line.contains('=')) lines << QString::fromLatin1(line.trimmed());
    return lines;
}

TEST_F(OptionsPageTest, StartsLockedWithThePasswordChangeUsable) {
    Build();
    page_->LoadStoredOptions();
    EXPECT_EQ(LockableNot(false), "");
    for (const char* free : {"BitBtn2", "Edit44", "Edit45", "BitBtn3"})
        EXPECT_TRUE(Enabled(free)) << free;
}

TEST_F(OptionsPageTest, ResetWithoutParameterPasswordUnlocksEverythingAndApplyLocksAgain) {
    Build();
    page_->LoadStoredOptions();
    Click(page_.get(), "BitBtn2");
    EXPECT_EQ(password_->PasswordMode(), 2);
    // Edit43 too, although the daily archive is off.
    EXPECT_EQ(LockableNot(true), "");
    EXPECT_FALSE(Enabled("BitBtn2"));

    calls.clear();
    Click(page_.get(), "BitBtn1");
    EXPECT_EQ(LockableNot(false), "");
    EXPECT_TRUE(Enabled("BitBtn2"));
    EXPECT_EQ(calls, std::vector<std::string>{"timer off"});
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(messages.errors.isEmpty());
}

TEST_F(OptionsPageTest, ApplyWritesTheSevenValuesEveryTime) {
    Build();
    page_->LoadStoredOptions();
    Click(page_.get(), "BitBtn2");
    Click(page_.get(), "CheckBox1");
    Click(page_.get(), "CheckBox3");
    Click(page_.get(), "CheckBox4");
    Paste(page_.get(), "Edit43", "D:\\归档");
    Picker()->setTime(QTime(7, 5, 9));
    calls.clear();
    Click(page_.get(), "BitBtn1");

    const std::vector<std::pair<std::pair<const char*, const char*>, std::string>> expected = {
        {{"file", "dir"}, "D:\\归档"},       {{"time", "time1"}, "7:05:09"},
        {{"checkbox1", "checked"}, "true"},  {{"checkbox2", "checked"}, "false"},
        {{"checkbox3", "checked"}, "true"},  {{"checkbox4", "checked"}, "true"},
        {{"checkbox5", "checked"}, "false"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(Stored(key.first, key.second), value) << key.first;
    EXPECT_EQ(ValueLines(SettingsPath(folder_)).size(), 7);
    EXPECT_EQ(calls, std::vector<std::string>{"timer on"});

    // Nothing changed on the page: every value is written again over what the file now says.
    for (const auto& [key, value] : expected)
        Store(key.first, key.second, "stale");
    Click(page_.get(), "BitBtn2");
    Click(page_.get(), "BitBtn1");
    for (const auto& [key, value] : expected)
        EXPECT_EQ(Stored(key.first, key.second), value) << key.first;
    EXPECT_EQ(ValueLines(SettingsPath(folder_)).size(), 7);
}

TEST_F(OptionsPageTest, FolderRuleFollowsCheckBox3AndChoosingStillFillsADisabledField) {
    Build();
    Click(page_.get(), "BitBtn2");
    Click(page_.get(), "CheckBox3");
    EXPECT_TRUE(Enabled("Edit43"));
    Click(page_.get(), "CheckBox3");
    EXPECT_FALSE(Enabled("Edit43"));
    EXPECT_TRUE(Enabled("Button1"));

    TempFolder chosen;
    ModalScript script;
    script.Then([&](QWidget* modal) {
        SelectFolder(modal, chosen.Path());
        Click(modal, "BitBtn1");
    });
    Click(page_.get(), "Button1");
    EXPECT_EQ(TextOf(page_.get(), "Edit43"), QDir::toNativeSeparators(chosen.Path()));
    EXPECT_FALSE(Enabled("Edit43"));

    script.Then(Press("BitBtn2"));
    Click(page_.get(), "Button1");
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(TextOf(page_.get(), "Edit43"), QDir::toNativeSeparators(chosen.Path()));
}

TEST_F(OptionsPageTest, StoredFlagsAreReadExactly) {
    struct Case {
        const char* stored;  // nullptr: key missing
        bool on;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"true", true, {"timer on", "load"}},
        {"false", false, {"timer off"}},
        {nullptr, false, {"timer off"}},
        {"True", false, {}},
        {"TRUE", false, {}},
        {"1", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "<missing>");
        std::filesystem::remove(SettingsPath(folder_));
        Store("file", "dir", "x");
        if (c.stored != nullptr)
            for (const char* section : {"checkbox1", "checkbox2", "checkbox3", "checkbox4", "checkbox5"})
                Store(section, "checked", c.stored);
        calls.clear();
        Build();
        page_->LoadStoredOptions();
        for (const char* box : {"CheckBox1", "CheckBox2", "CheckBox3", "CheckBox4", "CheckBox5"})
            EXPECT_EQ(Checked(box), c.on) << box;
        EXPECT_EQ(page_->StartupPasswordWanted(), c.on);
        EXPECT_EQ(page_->DailyArchiveOn(), c.on);
        EXPECT_EQ(calls, c.calls);
        // The daily archive stored on leaves its folder field usable on a locked page.
        EXPECT_EQ(Enabled("Edit43"), c.on);
        EXPECT_FALSE(Enabled("CheckBox3"));
    }
}

TEST_F(OptionsPageTest, ArchiveFolderAtStartUp) {
    // First start: the data folder with its separator, and that is written.
    Build();
    page_->LoadStoredOptions();
    const std::string withSeparator = folder_.string() + "/";
    EXPECT_EQ(page_->ArchiveFolder().toStdString(), withSeparator);
    EXPECT_EQ(Stored("file", "dir"), withSeparator);
    EXPECT_EQ(ValueLines(SettingsPath(folder_)).size(), 1);

    // A file without the key shows "nil" and writes nothing.
    std::filesystem::remove(SettingsPath(folder_));
    Store("time", "time1", "1:02:03");
    Build();
    page_->LoadStoredOptions();
    EXPECT_EQ(page_->ArchiveFolder(), "nil");
    EXPECT_EQ(Stored("file", "dir"), "<none>");
    EXPECT_EQ(page_->ArchiveTime(), QTime(1, 2, 3));
}

TEST_F(OptionsPageTest, AnArchiveTimeThatDoesNotReadIsReportedAndTheRestStillLoads) {
    Store("time", "time1", "abc");
    Store("checkbox4", "checked", "true");
    Store("checkbox5", "checked", "true");
    Build();
    page_->LoadStoredOptions();
    EXPECT_EQ(messages.errors, QStringList{"'abc' is not a valid time."});
    EXPECT_EQ(page_->ArchiveTime(), QTime(0, 0, 0));
    EXPECT_TRUE(Checked("CheckBox4"));
    EXPECT_TRUE(Checked("CheckBox5"));
}

TEST_F(OptionsPageTest, ApplyThatCannotWriteShowsOneErrorNamingTheFile) {
    Build(BlockedFolder());
    Click(page_.get(), "BitBtn2");
    Click(page_.get(), "CheckBox1");
    Click(page_.get(), "BitBtn1");
    ASSERT_EQ(messages.errors.size(), 1);
    EXPECT_TRUE(messages.errors.front().contains("save.ini")) << messages.errors.front().toStdString();
    EXPECT_EQ(LockableNot(false), "");
    EXPECT_EQ(calls, std::vector<std::string>{"timer on"});
}

// An operator types a whole time over what is selected in the field: that time, or a visible refusal,
// never another time.
TEST_F(OptionsPageTest, ATimeTypedOverASelectionIsThatTime) {
    struct Case {
        const char* what;
        void (*select)(QTimeEdit*);
        const char* typed;
        QTime stored;
    } cases[] = {
        {"all selected", [](QTimeEdit* edit) { edit->selectAll(); }, "23:50:00", QTime(23, 50, 0)},
        {"the hour selected", [](QTimeEdit* edit) { edit->setSelectedSection(QDateTimeEdit::HourSection); },
         "23:50:00", QTime(23, 50, 0)},
        {"all selected, one-digit hour", [](QTimeEdit* edit) { edit->selectAll(); }, "7:05:09",
         QTime(7, 5, 9)},
        {"all selected, past midnight", [](QTimeEdit* edit) { edit->selectAll(); }, "0:30:00",
         QTime(0, 30, 0)},
        {"all selected, hours and minutes", [](QTimeEdit* edit) { edit->selectAll(); }, "6:45",
         QTime(6, 45, 0)},
        // Not a time: the field keeps what it held (and beeps) rather than a time nobody typed.
        {"all selected, not a time", [](QTimeEdit* edit) { edit->selectAll(); }, "25:7", QTime(12, 0, 0)},
    };
    for (const Case& c : cases) {
        Build();
        page_->LoadStoredOptions();
        Click(page_.get(), "BitBtn2");
        page_->show();
        QTimeEdit* edit = Picker();
        edit->setTime(QTime(12, 0, 0));
        edit->setFocus();
        c.select(edit);
        QTest::keyClicks(edit, QString::fromLatin1(c.typed));
        QTest::keyClick(edit, Qt::Key_Return);  // the typing ends, as when the field is left
        EXPECT_EQ(edit->time().toString("H:mm:ss"), c.stored.toString("H:mm:ss")) << c.what;
    }
}

}  // namespace
}  // namespace kerfolio::test

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include "storage/password_rules.h"
#include "tests/app/options_test_support.h"

namespace kerfolio::test {
namespace {

TEST(PasswordRules, PromptActsOnlyOnAWrongStartupOrARightUnlock) {
    struct Case {
        int mode;
        const char* stored;
        const char* typed;
        PromptOutcome want;
    };
    const Case cases[] = {
        {1, "4826", "4826", PromptOutcome::Nothing},  {1, "4826", "4827", PromptOutcome::CloseProgram},
        {1, "4826", "", PromptOutcome::CloseProgram}, {2, "4826", "4826", PromptOutcome::UnlockOptions},
        {2, "4826", "4826 ", PromptOutcome::Nothing}, {2, "Abc", "abc", PromptOutcome::Nothing},
        {2, "", "", PromptOutcome::UnlockOptions},    {2, "机床", "机床", PromptOutcome::UnlockOptions},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(JudgePrompt(c.mode, c.stored, c.typed), c.want) << c.mode << " '" << c.typed << "'";
    }
}

class PasswordTest : public OptionsFixture {
  protected:
    void SetUp() override { Build(); }

    // One showing of the prompt in mode, typing text and pressing OK.
    void Prompt(int mode, const QString& text) {
        password_->SetPasswordMode(mode);
        ModalScript script;
        script.Then(Fill({{"Password", text}}, "OKBtn"));
        password_->exec();
        EXPECT_TRUE(script.Finished());
    }
    QString PromptField() const { return TextOf(password_.get(), "Password"); }
};

TEST_F(PasswordTest, PromptOkCallsBackByModeAndAlwaysEmptiesTheField) {
    struct Case {
        int mode;
        QString typed;
        std::vector<std::string> calls;
        bool unlocked;
    };
    const std::vector<Case> cases = {
        {1, "4826", {}, false},
        {1, "4827", {"close program"}, false},
        {2, "4826", {}, true},
        {2, "4827", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Build();
        calls.clear();
        Prompt(c.mode, c.typed);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(Enabled("BitBtn1"), c.unlocked);
        EXPECT_EQ(PromptField(), "");
        EXPECT_TRUE(messages.shown.isEmpty());
    }
}

TEST_F(PasswordTest, FieldsShowEveryCharacterAsHash) {
    auto* prompt = password_->findChild<QLineEdit*>("Password");
    auto* old = page_->findChild<QLineEdit*>("Edit44");
    auto* fresh = page_->findChild<QLineEdit*>("Edit45");
    for (QLineEdit* edit : {prompt, old, fresh}) {
        ASSERT_NE(edit, nullptr);
        edit->setText("a密1");
        EXPECT_EQ(edit->displayText(), "###") << edit->objectName().toStdString();
    }
}

TEST_F(PasswordTest, ResetWithParameterPasswordUnlocksOnlyOnTheRightOne) {
    Store("checkbox5", "checked", "true");
    Build();
    page_->LoadStoredOptions();
    calls.clear();
    ModalScript script;

    // Wrong: silently locked, and the field is empty at the next showing.
    script.Then(Fill({{"Password", "0000"}}, "OKBtn"));
    Click(page_.get(), "BitBtn2");
    EXPECT_EQ(LockableNot(false), "");
    EXPECT_TRUE(messages.shown.isEmpty());

    // Cancel keeps what was typed for next time.
    QString seen = "<not shown>";
    script.Then(Capture(
        [&](QWidget* modal) {
            seen = TextOf(modal, "Password");
            EXPECT_EQ(modal->focusWidget(), modal->findChild<QLineEdit*>("Password"));
            Type(modal, "Password", "48");
        },
        "CancelBtn"));
    Click(page_.get(), "BitBtn2");
    EXPECT_EQ(seen, "");
    EXPECT_EQ(LockableNot(false), "");

    script.Then([&](QWidget* modal) {
        seen = TextOf(modal, "Password");
        auto* field = modal->findChild<QLineEdit*>("Password");
        QTest::keyClick(field, Qt::Key_End);  // the field comes up with its text selected
        QTest::keyClicks(field, "26");
        Click(modal, "OKBtn");
    });
    Click(page_.get(), "BitBtn2");
    EXPECT_TRUE(script.Finished());
    EXPECT_EQ(seen, "48");
    EXPECT_EQ(LockableNot(true), "");
    EXPECT_FALSE(Enabled("BitBtn2"));
    EXPECT_EQ(calls, std::vector<std::string>{});
}

// Records what the password fields held when each message came up.
class FieldWatchingMessages : public RecordingMessages {
  public:
    QWidget* page = nullptr;
    QStringList fieldsAtMessage;
    void Information(const QString& text) override {
        fieldsAtMessage << TextOf(page, "Edit44") + "|" + TextOf(page, "Edit45");
        RecordingMessages::Information(text);
    }
};

TEST_F(PasswordTest, PasswordChange) {
    struct Case {
        QString oldText, newText;
        QString message;
        QString fieldsAfter;
        std::string stored;
    };
    const std::vector<Case> cases = {
        {"4825", "x", "旧密码不对！", "|", "<none>"},
        {"4826", "", "新密码不能为空！", "4826|", "<none>"},
        // "?" in the file for these would lock the operator out.
        {"4826", "aä😀한äb?", "新密码中有无法保存的字符：ä😀한", "4826|aä😀한äb?", "<none>"},
        {"4826", "新pw", "密码修改成功！", "|", "新pw"},
        // Blanks and quotation marks at the ends are part of the password too.
        {"4826", " pw ", "密码修改成功！", "|", " pw "},
        {"4826", "\"pw\"", "密码修改成功！", "|", "\"pw\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        std::filesystem::remove(SettingsPath(folder_));
        Build();
        Paste(page_.get(), "Edit44", c.oldText);
        Paste(page_.get(), "Edit45", c.newText);
        messages.shown.clear();
        Click(page_.get(), "BitBtn3");  // works on the locked page
        EXPECT_EQ(messages.shown, QStringList{c.message});
        EXPECT_EQ(TextOf(page_.get(), "Edit44") + "|" + TextOf(page_.get(), "Edit45"), c.fieldsAfter);
        EXPECT_EQ(Stored("enter", "1"), c.stored);
        EXPECT_TRUE(messages.errors.isEmpty());
    }
}

TEST_F(PasswordTest, ChangedPasswordEmptiesFieldsFirstAndIsTheOnlyOneAccepted) {
    FieldWatchingMessages watching;
    page_ = std::make_unique<OptionsPage>(folder_, watching, *password_, *folders_, OptionsHooks{});
    watching.page = page_.get();
    Type(page_.get(), "Edit44", "4826");
    Type(page_.get(), "Edit45", "abc");
    Click(page_.get(), "BitBtn3");
    EXPECT_EQ(watching.shown, QStringList{"密码修改成功！"});
    EXPECT_EQ(watching.fieldsAtMessage, QStringList{"|"});

    Prompt(2, "4826");
    EXPECT_FALSE(Enabled("BitBtn1"));
    Prompt(2, "abc");
    EXPECT_TRUE(Enabled("BitBtn1"));
}

TEST_F(PasswordTest, PasswordWithBlanksAtItsEndsIsTheOneAccepted) {
    Paste(page_.get(), "Edit44", "4826");
    Paste(page_.get(), "Edit45", "abc ");
    Click(page_.get(), "BitBtn3");
    EXPECT_EQ(messages.shown, QStringList{"密码修改成功！"});
    Prompt(2, "abc");
    EXPECT_FALSE(Enabled("BitBtn1"));
    Prompt(2, "abc ");
    EXPECT_TRUE(Enabled("BitBtn1"));
}

TEST_F(PasswordTest, PastedPasswordWithALineBreakIsAcceptedWhenPastedAgain) {
    // Copied from a line of a text file, the way passwords are handed on.
    QGuiApplication::clipboard()->setText("abc\n");
    auto pasteInto = [](QWidget* parent, const char* name) {
        auto* field = parent->findChild<QLineEdit*>(name);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    };
    Paste(page_.get(), "Edit44", "4826");
    pasteInto(page_.get(), "Edit45");
    Click(page_.get(), "BitBtn3");
    EXPECT_EQ(messages.shown, QStringList{"密码修改成功！"});

    password_->SetPasswordMode(2);
    ModalScript script;
    script.Then([&](QWidget* modal) {
        pasteInto(modal, "Password");
        Click(modal, "OKBtn");
    });
    password_->exec();
    EXPECT_TRUE(script.Finished());
    EXPECT_TRUE(Enabled("BitBtn1"));
}

TEST_F(PasswordTest, ChangeThatCannotBeWrittenSaysSoAndNotSuccess) {
    Build(BlockedFolder());
    Type(page_.get(), "Edit44", "4826");
    Type(page_.get(), "Edit45", "abc");
    Click(page_.get(), "BitBtn3");
    EXPECT_TRUE(messages.shown.isEmpty());
    ASSERT_EQ(messages.errors.size(), 1);
    EXPECT_TRUE(messages.errors.front().contains("save.ini")) << messages.errors.front().toStdString();
    // Kept for another try once the folder is fixed.
    EXPECT_EQ(TextOf(page_.get(), "Edit45"), "abc");
}

}  // namespace
}  // namespace kerfolio::test

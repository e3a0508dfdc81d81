#include <QTest>

#include "tests/app/options_test_support.h"

namespace kerfolio::test {
namespace {

TEST(FolderDialog, AnswersByButton) {
    TOKBottomDlg3 dialog;
    TempFolder chosen;
    const QString native = QDir::toNativeSeparators(chosen.Path());
    ModalScript script;

    script.Then(Press("BitBtn1"));
    EXPECT_EQ(dialog.ChooseFolder(), std::optional<QString>(""));

    script.Then([&](QWidget* modal) {
        SelectFolder(modal, chosen.Path());
        Click(modal, "BitBtn1");
    });
    EXPECT_EQ(dialog.ChooseFolder(), std::optional<QString>(native));

    // Reused: the selection is still there at the next showing.
    script.Then(Press("BitBtn1"));
    EXPECT_EQ(dialog.ChooseFolder(), std::optional<QString>(native));

    script.Then(Press("BitBtn2"));
    EXPECT_EQ(dialog.ChooseFolder(), std::nullopt);
    script.Then([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialog.ChooseFolder(), std::nullopt);
    EXPECT_TRUE(script.Finished());
}

}  // namespace
}  // namespace kerfolio::test

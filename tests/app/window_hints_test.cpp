#include <gtest/gtest.h>

#include <QAccessible>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <functional>

#include "app/form1.h"
#include "app/pages/options_page.h"
#include "app/pages/status_bar.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

// QTest's QTRY macros end a test function without failing a GoogleTest test; this one fails.
bool Eventually(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 3000);
}

class WindowHints : public ::testing::Test {
  protected:
    WindowHints() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}

    void ShowTab(int index) {
        form_.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(index);
        form_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
    }
    QWidget* Find(const char* name) {
        auto* widget = form_.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    struct Move {
        const char* over;
        QPoint at;  // inside the control; (-1, -1) for its centre
        const char* panel;
    };
    // Moves the pointer over each control in turn and checks the panel after each step.
    void Walk(int panel, std::initializer_list<Move> moves) {
        for (const Move& move : moves) {
            QWidget* over = Find(move.over);
            if (over == nullptr) continue;
            QTest::mouseMove(over, move.at.x() < 0 ? over->rect().center() : move.at);
            EXPECT_EQ(form_.StatusBar()->PanelText(panel), QString::fromUtf8(move.panel)) << move.over;
        }
    }

    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

TEST_F(WindowHints, BoardCellsNameTheMachineAndTheEventAndOnlyTheBackgroundEmptiesThem) {
    ShowTab(0);
    form_.Board().SetCaption(2, "CNC-7");
    Walk(2, {
                {"Edit29", {-1, -1}, "机床5 工件上机"},
                {"Label3", {-1, -1}, "机床5 工件上机"},  // a header leaves the hint
                {"Edit12", {-1, -1}, "CNC-7 断丝开始"},
                {"StaticText4", {-1, -1}, "CNC-7 断丝开始"},  // so does a caption
                {"Edit42", {-1, -1}, "机床6 加工完毕"},
                {"TabSheet1", {30, 4}, ""},
                {"Edit18", {-1, -1}, "机床3 跳步结束"},
            });
}

TEST_F(WindowHints, OptionHintsShowOverLockedAndUnlockedCheckBoxes) {
    ShowTab(2);
    for (const bool unlocked : {false, true}) {
        if (unlocked) form_.Options()->Unlock();
        ASSERT_EQ(Find("CheckBox1")->isEnabled(), unlocked);
        SCOPED_TRACE(unlocked ? "unlocked" : "locked");
        Walk(4, {
                    {"CheckBox1", {-1, -1}, "五分钟定时存档！"},
                    {"CheckBox3", {-1, -1}, "五分钟定时存档！"},  // no hint of its own
                    {"CheckBox2", {-1, -1}, "程序启动自动调入临时存档！"},
                    {"GroupBox4", {4, 52}, "程序启动自动调入临时存档！"},  // not a group that empties
                    {"CheckBox4", {-1, -1}, "程序启动时要求输入密码！"},
                    {"GroupBox1", {175, 50}, ""},
                    {"CheckBox5", {-1, -1}, "修改参数时要求输入密码！"},
                    {"Label9", {-1, -1}, "修改参数时要求输入密码！"},
                    {"GroupBox2", {4, 105}, ""},
                    {"CheckBox1", {-1, -1}, "五分钟定时存档！"},
                    {"GroupBox5", {4, 95}, ""},
                    {"CheckBox2", {-1, -1}, "程序启动自动调入临时存档！"},
                    {"TabSheet3", {450, 200}, ""},
                });
    }
}

TEST_F(WindowHints, MaximisedTheNotePadAndStatusBarStretchWhileTheGridStays) {
    ShowTab(1);
    auto* memo = form_.NotePad();
    const QSize memoBefore = memo->size();
    const QPoint cellBefore = Find("Edit1")->pos();
    const QPoint boxBefore = Find("CheckBox1")->pos();
    const QRect placeBefore = form_.geometry();

    // Only maximising may change the size; a drag on the border is undone.
    form_.resize(700, 500);
    Eventually([&] { return form_.size() == QSize(487, 258); });
    EXPECT_EQ(form_.size(), QSize(487, 258));
    EXPECT_EQ(memo->size(), memoBefore);

    form_.showMaximized();
    ASSERT_TRUE(
        Eventually([&] { return form_.isMaximized() && form_.width() > 487 && form_.height() > 258; }));
    Eventually([&] { return memo->width() == memoBefore.width() + form_.width() - 487; });
    EXPECT_EQ(memo->width(), memoBefore.width() + form_.width() - 487);
    EXPECT_EQ(memo->height(), memoBefore.height() + form_.height() - 258);
    EXPECT_EQ(form_.StatusBar()->geometry(), QRect(0, form_.height() - 20, form_.width(), 20));
    EXPECT_EQ(Find("Edit1")->pos(), cellBefore);
    EXPECT_EQ(Find("CheckBox1")->pos(), boxBefore);

    form_.showNormal();
    Eventually([&] { return form_.size() == QSize(487, 258); });
    EXPECT_EQ(form_.size(), QSize(487, 258));
    EXPECT_EQ(memo->size(), memoBefore);
    EXPECT_EQ(form_.geometry(), placeBefore);
}

// A window manager may report the end of maximising before it gives the window its place back. The
// lock once resized the window right there, which left it in the corner where the maximised one was.
TEST_F(WindowHints, BackFromMaximisedTheWindowReturnsToItsPlaceWhateverTheWindowManagerReportsFirst) {
    ShowTab(0);
    const QRect opened = form_.geometry();
    form_.move(form_.pos() + QPoint(40, 30));  // the place to return to is the latest one
    ASSERT_TRUE(Eventually([&] { return form_.geometry() != opened; }));
    const QRect placeBefore = form_.geometry();
    form_.showMaximized();
    ASSERT_TRUE(Eventually([&] { return form_.isMaximized() && form_.width() > 487; }));
    ASSERT_NE(form_.geometry().topLeft(), placeBefore.topLeft());

    // Restored in the window's state, but left at the maximised place and size: the lock must ask for the
    // old place with the old size.
    form_.overrideWindowState(Qt::WindowNoState);
    Eventually([&] { return form_.geometry() == placeBefore; });
    EXPECT_EQ(form_.geometry(), placeBefore);
}

TEST_F(WindowHints, TheMainWindowIsAWindowToScreenReadersAndHasItsIcon) {
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&form_);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), "Kerfolio");
    EXPECT_FALSE(form_.windowIcon().isNull());
}

}  // namespace
}  // namespace kerfolio::test

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class Layout : public ::testing::Test {
  protected:
    Layout() : form_({folder_.Path().toStdString(), &messages_, &clock_}) {}
    template <typename T>
    T* Find(const QString& name) {
        T* widget = form_.findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    TempFolder folder_;
    RecordingMessages messages_;
    FixedClock clock_;
    TForm1 form_;
};

TEST_F(Layout, MainWindowTabsAndStartPage) {
    EXPECT_EQ(form_.windowTitle(), "Kerfolio");
    EXPECT_EQ(form_.size(), QSize(487, 258));
    EXPECT_EQ(form_.minimumSize(), form_.maximumSize()) << "the window cannot be resized";
    auto* tabs = Find<QTabWidget>("PageControl1");
    ASSERT_EQ(tabs->count(), 4);
    const QStringList captions{"Wire cut", "NotePad", "Options", " Help  "};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(tabs->tabText(i), captions[i]);
    EXPECT_EQ(tabs->currentIndex(), 3);
    EXPECT_TRUE(Find<QWidget>("Memo1")->property("readOnly").toBool());
}

TEST_F(Layout, BoardGridPositions) {
    const int rowTops[] = {24, 56, 88, 120, 152, 182};
    const QStringList headers{"上机", "开机", "跳步始", "跳步终", "断丝始", "断丝终", "下机"};
    for (int k = 1; k <= 7; ++k) {
        auto* header = Find<QLabel>(QStringLiteral("Label%1").arg(k));
        EXPECT_EQ(header->text(), headers[k - 1]);
        EXPECT_EQ(header->geometry(), QRect(88 + 56 * (k - 1), 8, 49, 17));
    }
    for (int m = 1; m <= 6; ++m) {
        auto* caption = Find<QLabel>(QStringLiteral("StaticText%1").arg(m));
        EXPECT_EQ(caption->text(), QStringLiteral("机床%1").arg(m));
        EXPECT_EQ(caption->geometry(), QRect(8, rowTops[m - 1], 65, 24));
        for (int k = 1; k <= 7; ++k) {
            auto* cell = Find<QLineEdit>(QStringLiteral("Edit%1").arg((m - 1) * 7 + k));
            EXPECT_EQ(cell->geometry(), QRect(88 + 56 * (k - 1), rowTops[m - 1], 49, 21));
            EXPECT_TRUE(cell->isReadOnly());
            EXPECT_EQ(cell->cursor().shape(), Qt::PointingHandCursor);
            EXPECT_GE(cell->contentsRect().width() - 2, cell->fontMetrics().horizontalAdvance("23:59:59"))
                << "a full time text fits the cell";
        }
    }
}

TEST_F(Layout, DialogsCaptionsSizesAndButtons) {
    struct Case {
        const char* name;
        const char* caption;
        QSize size;
        QRect ok, cancel;
        const char* okText;
    } cases[] = {
        {"TOKBottomDlg", "信息确认！", {249, 91}, {55, 60, 75, 25}, {143, 60, 75, 25}, "OK"},
        {"TOKBottomDlg2", "请输入以下信息！", {246, 133}, {63, 100, 75, 25}, {143, 100, 75, 25}, "OK"},
        {"TOKBottomDlg1", "信息确认！(加工完毕)", {223, 259}, {39, 228, 75, 25}, {127, 228, 75, 25}, "OK"},
    };
    for (const auto& c : cases) {
        auto* dialog = Find<QDialog>(c.name);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), c.caption);
        EXPECT_EQ(dialog->size(), c.size) << c.name;
        EXPECT_TRUE(dialog->isModal());
        auto* ok = dialog->findChild<QPushButton*>("OKBtn");
        auto* cancel = dialog->findChild<QPushButton*>("CancelBtn");
        ASSERT_TRUE(ok && cancel);
        EXPECT_EQ(ok->text(), c.okText);
        EXPECT_EQ(cancel->text(), "Cancel");
        EXPECT_EQ(ok->geometry(), c.ok) << c.name;
        EXPECT_EQ(cancel->geometry(), c.cancel) << c.name;
        EXPECT_TRUE(ok->isDefault());
        EXPECT_EQ(ok->nextInFocusChain(), cancel) << "tab order starts OK, Cancel";
    }
    const QStringList labels{
        "机床:", "工件名称:", "上机时间:", "开始加工:", "跳步时间:", "断丝时间:", "完成时间:", "加工量:"};
    auto* completion = Find<QDialog>("TOKBottomDlg1");
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(completion->findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1))->text(), labels[i]);
        EXPECT_EQ(completion->findChild<QLineEdit*>(QStringLiteral("Edit%1").arg(i + 1))->geometry(),
                  QRect(128, 16 + 24 * i, 81, 21));
    }
}

}  // namespace
}  // namespace kerfolio::test

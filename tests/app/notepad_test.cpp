#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "tests/app/form_window.h"

namespace kerfolio::test {
namespace {

QString Lines(int count) {
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QStringLiteral("%1    机床:机床%2").arg(i).arg(i % 6 + 1));
    return lines.join('\n');
}

TEST(NotePadAppend, EachLineLandsOnItsOwnLine) {
    const QString many = Lines(3'000);
    struct Case {
        const char* name;
        QString before;
        QStringList appended;
        QString after;
    };
    const Case cases[] = {
        {"empty page", "", {"1 a"}, "1 a"},
        {"text ending in a line break", "1 a\n", {"2 b"}, "1 a\n2 b"},
        {"text without a final line break", "1 a", {"2 b", "3 c"}, "1 a\n2 b\n3 c"},
        {"a blank line inside stays", "1 a\n\nx", {"2 b"}, "1 a\n\nx\n2 b"},
        {"a long page", many, {"3001 z"}, many + "\n3001 z"},
    };
    TempFolder folder;
    Window w(folder.Path());
    for (const Case& c : cases) {
        w.form.NotePad()->setPlainText(c.before);
        for (const QString& line : c.appended)
            w.form.AppendNotePadLine(line);
        EXPECT_EQ(w.form.NotePad()->toPlainText(), c.after) << c.name;
    }
}

// The horizontal scroll range follows the widest line, whichever line that is and however many lines
// follow it, including when the widest is the one just appended.
TEST(NotePadAppend, WidthFollowsTheWidestLine) {
    TempFolder folder;
    Window w(folder.Path());
    w.form.show();
    QPlainTextEdit* memo = w.form.NotePad();
    QAbstractTextDocumentLayout* layout = memo->document()->documentLayout();
    const QString narrow = QStringLiteral("1 a");
    const QString wide = QStringLiteral("2 机床:机床2 工件名称:凹模 上机时间:7:00:00 完成时间:7:30:00");
    const QString wider = wide + QStringLiteral(" 加工量:100");

    memo->setPlainText(Lines(500));
    const qreal base = layout->documentSize().width();
    w.form.AppendNotePadLine(narrow);
    EXPECT_EQ(layout->documentSize().width(), base) << "a short line changes nothing";
    w.form.AppendNotePadLine(wide);
    const qreal wideWidth = layout->documentSize().width();
    EXPECT_GT(wideWidth, base) << "the appended line is the widest";
    for (int i = 0; i < 3; ++i) {
        w.form.AppendNotePadLine(narrow);
        EXPECT_EQ(layout->documentSize().width(), wideWidth) << "after " << i + 1 << " short lines";
    }
    w.form.AppendNotePadLine(wider);
    EXPECT_GT(layout->documentSize().width(), wideWidth);
    w.form.AppendNotePadLine(narrow);
    EXPECT_GT(layout->documentSize().width(), wideWidth);
    EXPECT_EQ(memo->document()->blockCount(), 500 + 7);
}

}  // namespace
}  // namespace kerfolio::test

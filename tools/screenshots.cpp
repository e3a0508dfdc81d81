// Draws the pictures of the README from the real main window on a sample day:
// kerfolio_screenshots OUTPUT_FOLDER (scripts/screenshots.sh runs it under Xvfb).
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/clock.h"
#include "app/form1.h"
#include "app/messages.h"
#include "app/widgets/fonts.h"
#include "board/completion.h"
#include "board/stamping.h"
#include "board/workpiece_entry.h"
#include "storage/report_line.h"

namespace {

using namespace kerfolio;

class SampleClock : public Clock {
  public:
    TDateTime Now() const override { return now; }
    TDateTime now = 46'364.0;  // 2026-12-08
    void Set(int h, int m) { now = 46'364.0 + (h * 60 + m) / 1440.0; }
};

// The operator's clicks and OKs, through the rules the dialogs call.
void Stamp(TForm1& form, SampleClock& clock, int machine, TEventColumn column, int h, int m) {
    clock.Set(h, m);
    ClickCell(form.Board(), CellNumber(machine, column), clock.Now());
    if (column != ecUnmount) ConfirmPendingEvent(form.Board());
}

void StartJob(TForm1& form, SampleClock& clock, int machine, const char* name, const char* amount, int h,
              int m) {
    Stamp(form, clock, machine, ecMount, h, m);
    Stamp(form, clock, machine, ecStart, h, m + 12);
    ApplyWorkpieceEntry(form.Board(), name, amount);
}

void FinishJob(TForm1& form, SampleClock& clock, int machine, int h, int m) {
    clock.Set(h, m);
    const ClickOutcome outcome = ClickCell(form.Board(), CellNumber(machine, ecUnmount), clock.Now());
    if (outcome.completion)
        form.AppendNotePadLine(
            QString::fromStdString(BuildReportLine(CompleteJob(form.Board()), *outcome.completion)));
}

void SampleDay(TForm1& form, SampleClock& clock) {
    StartJob(form, clock, 2, "凹模12", "1500", 6, 40);
    Stamp(form, clock, 2, ecJumpStart, 7, 5);
    Stamp(form, clock, 2, ecJumpEnd, 7, 17);
    FinishJob(form, clock, 2, 8, 31);
    StartJob(form, clock, 5, "凸模B", "860", 7, 2);
    FinishJob(form, clock, 5, 9, 14);
    StartJob(form, clock, 1, "型腔3", "2400", 8, 5);
    StartJob(form, clock, 3, "冲头", "1200", 8, 20);
    Stamp(form, clock, 3, ecJumpStart, 9, 41);
    StartJob(form, clock, 4, "导板", "3100", 9, 2);
    Stamp(form, clock, 4, ecBreakStart, 10, 3);
    Stamp(form, clock, 6, ecMount, 10, 15);
    clock.Set(10, 26);
}

bool Save(QWidget* widget, const QDir& out, const char* name) {
    return widget->grab().save(out.filePath(QString::fromLatin1(name)));
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    UseDefaultFontEverywhere();
    if (argc != 2) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir data;
    Messages messages;
    SampleClock clock;
    TForm1 form({data.path().toStdString(), &messages, &clock});
    SampleDay(form, clock);
    form.findChild<QLineEdit*>(QStringLiteral("Edit43"))->setText(QStringLiteral("/home/shop/存档/"));
    form.Timer1Timer();
    form.show();

    bool saved = true;
    auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    const char* pages[] = {"board.png", "notepad.png", "options.png", "help.png"};
    for (int page = 0; page < 4; ++page) {
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        saved = Save(&form, out, pages[page]) && saved;
    }
    // The machine parameters of machine 2, as 属性 opens them.
    tabs->setCurrentIndex(0);
    QTimer::singleShot(200, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            saved = Save(dialog, out, "params.png") && saved;
            dialog->close();
        }
    });
    TargetMachine(form.Board(), 2);
    form.N41Click();
    return saved ? 0 : 1;
}

#pragma once

#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <initializer_list>

#include "app/form1.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {

// The real main window on a test folder, with a fixed clock and recorded message boxes.
struct Window {
    explicit Window(const QString& folder) : Window(folder, FixedClock().now) {}
    // Started at the given time, its start-up archive work done.
    Window(const QString& folder, TDateTime start)
        : clock(start), form({folder.toStdString(), &messages, &clock}) {
        Settle();
    }
    // The archive folder's file work runs on a thread of its own: wait until it is done.
    void Settle() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.ArchiveBusy(); }, 10'000));
    }
    // A clock tick and the archive work it starts.
    void Tick() {
        form.Timer1Timer();
        Settle();
    }
    void Press(const char* button) { Click(&form, QString::fromLatin1(button)); }
    void Unlock() { Press("BitBtn2"); }
    QString Cell(int n) { return TextOf(&form, QStringLiteral("Edit%1").arg(n)); }
    void ClickCell(int n, std::initializer_list<ModalScript::Step> steps) {
        EXPECT_TRUE(ClickCellAnswering(&form, n, steps))
            << "a dialog did not come up after clicking Edit" << n;
    }
    RecordingMessages messages;
    FixedClock clock;
    TForm1 form;
};

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// A board in the middle of the day: a finished job in the NotePad, machine 2 in an open jump.
inline void FillDay(Window& w) {
    w.clock.Set(7, 0, 0);
    w.ClickCell(1, {Press("OKBtn")});
    w.ClickCell(2, {Press("OKBtn"), Fill({{"Edit1", "凹模"}, {"Edit2", "100"}}, "OKBtn")});
    w.clock.Set(7, 30, 0);
    w.ClickCell(7, {Press("OKBtn")});
    w.clock.Set(8, 0, 0);
    w.ClickCell(8, {Press("OKBtn")});
    w.ClickCell(9, {Press("OKBtn"), Fill({{"Edit1", "凸模 B"}, {"Edit2", "0x20"}}, "OKBtn")});
    w.clock.Set(23, 50, 0);
    w.ClickCell(10, {Press("OKBtn")});
}

// Machine 2's open jump ends and its job is finished: the day's next report line.
inline void FinishMachine2(Window& w) {
    w.ClickCell(11, {Press("OKBtn")});
    w.ClickCell(14, {Press("OKBtn")});
}

}  // namespace kerfolio::test

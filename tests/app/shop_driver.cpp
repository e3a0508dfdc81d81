// The real window driven as an operator drives it, on the real wall clock, which the run moves with
// libfaketime: a file of steps, one a line.
//   at 2026-10-25T00:20:00Z        the clock reads this instant from now on (and the window's tick runs)
//   click 7 ok                     a board cell, each dialog that comes up answered in turn:
//   click 2 ok entry 凹模 4500      ok, cancel, entry NAME AMOUNT, set FIELD=TEXT[,FIELD=TEXT]
//   rename 2 快走丝2号              the machine's properties with a new name
//   save                           现在保存
//   crash                          the process is killed (SIGKILL) on the spot
//   close                          the close box
// Every message the window would show is printed on standard output instead ("shown: ", "error: ").
// Usage: kerfolio_shop_driver DATA_FOLDER STEPS_FILE, with FAKETIME_TIMESTAMP_FILE set and FAKETIME_FMT=%s.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QTest>
#include <csignal>
#include <iostream>

#include "app/clock.h"
#include "app/form1.h"
#include "app/messages.h"
#include "board/stamping.h"
#include "tests/app/gui_test_support.h"

namespace kerfolio::test {
namespace {

class PrintedMessages : public Messages {
  public:
    void Information(const QString& text) override {
        std::cout << "shown: " << text.toStdString() << std::endl;
    }
    void Error(const QString& text) override { std::cout << "error: " << text.toStdString() << std::endl; }
};

bool Settled(TForm1& form) {
    return QTest::qWaitFor([&] { return !form.ArchiveBusy(); }, 10'000);
}

bool MoveClock(TForm1& form, const QString& iso) {
    const QDateTime at = QDateTime::fromString(iso, Qt::ISODate);
    if (!at.isValid()) return false;
    QSaveFile file(QString::fromLocal8Bit(qgetenv("FAKETIME_TIMESTAMP_FILE")));
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QByteArray::number(at.toSecsSinceEpoch()) + '\n');
    if (!file.commit()) return false;
    if (QDateTime::currentSecsSinceEpoch() != at.toSecsSinceEpoch()) {
        std::cout << "failed: the clock did not follow; is libfaketime preloaded?" << std::endl;
        return false;
    }
    form.Timer1Timer();  // what the window's next tick does
    return Settled(form);
}

// The answers after "click N", one step per dialog.
bool ClickCell(TForm1& form, const QStringList& words) {
    ModalScript script;
    for (qsizetype i = 2; i < words.size(); ++i) {
        if (words[i] == "ok") {
            script.Then(Press("OKBtn"));
        } else if (words[i] == "cancel") {
            script.Then(Press("CancelBtn"));
        } else if (words[i] == "entry" && i + 2 < words.size()) {
            script.Then(Fill({{"Edit1", words[i + 1]}, {"Edit2", words[i + 2]}}, "OKBtn"));
            i += 2;
        } else if (words[i] == "set" && i + 1 < words.size()) {
            std::vector<std::pair<QString, QString>> fields;
            for (const QString& field : words[++i].split(',')) {
                const QStringList parts = field.split('=');
                if (parts.size() != 2) return false;
                fields.emplace_back("Edit" + parts[0], parts[1]);
            }
            script.Then(Fill(fields, "OKBtn"));
        } else {
            return false;
        }
    }
    auto* cell = form.findChild<QLineEdit*>("Edit" + words[1]);
    if (cell == nullptr) return false;
    QTest::mouseClick(cell, Qt::LeftButton);
    return script.Finished() && Settled(form);
}

bool Rename(TForm1& form, int machine, const QString& name) {
    ModalScript script;
    script.Then([&](QWidget* dialog) {
        Type(dialog, "Edit1", name);
        Click(dialog, "OKBtn");
    });
    TargetMachine(form.Board(), machine);
    form.N41Click();
    return script.Finished();
}

bool Step(TForm1& form, const QStringList& words) {
    const QString& verb = words[0];
    if (verb == "at" && words.size() == 2) return MoveClock(form, words[1]);
    if (verb == "click" && words.size() >= 2) return ClickCell(form, words);
    if (verb == "rename" && words.size() == 3) return Rename(form, words[1].toInt(), words[2]);
    if (verb == "save" && words.size() == 1) return form.SaveSnapshot();
    if (verb == "crash" && words.size() == 1) {
        std::cout.flush();
        std::raise(SIGKILL);
    }
    if (verb == "close" && words.size() == 1) return form.close();
    return false;
}

}  // namespace
}  // namespace kerfolio::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::cerr << "usage: kerfolio_shop_driver DATA_FOLDER STEPS_FILE\n";
        return 2;
    }
    QFile steps(QString::fromLocal8Bit(argv[2]));
    if (!steps.open(QIODevice::ReadOnly)) return 2;
    kerfolio::test::PrintedMessages messages;
    kerfolio::Clock clock;
    kerfolio::TForm1 form({argv[1], &messages, &clock});
    if (!form.Start() || !kerfolio::test::Settled(form)) return 1;
    int number = 0;
    for (const QByteArray& line : steps.readAll().split('\n')) {
        ++number;
        const QString text = QString::fromUtf8(line).section('#', 0, 0).trimmed();
        if (text.isEmpty()) continue;
        if (!kerfolio::test::Step(form, text.split(' ', Qt::SkipEmptyParts))) {
            std::cout << "failed: line " << number << ": " << text.toStdString() << std::endl;
            return 3;
        }
    }
    return 0;
}

// What appending one report line to the NotePad costs when it already holds 10,000 lines over what it
// costs at 100: a long day without an archive, or a big snapshot loaded, must not slow every job down.
// The real main window appends, shown, with the event loop run after each line as the program does.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/clock.h"
#include "app/form1.h"
#include "app/messages.h"

namespace {

QString ReportLine(int number) {
    return QString::number(number) +
           QStringLiteral("  机床3  模具镶块  8:02:11  10:15:40  0:12:05  0:00:40  12");
}

// A shown main window whose NotePad holds a given number of lines.
class FilledForm {
  public:
    FilledForm(int lines, bool notePadShown) {
        form_ = std::make_unique<kerfolio::TForm1>(
            kerfolio::FormContext{folder_.path().toStdString(), &messages_, &clock_});
        QStringList text;
        for (int line = 1; line <= lines; ++line)
            text.append(ReportLine(line));
        form_->NotePad()->setPlainText(text.join('\n'));
        if (notePadShown) form_->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(1);
        form_->show();
        QApplication::processEvents();
    }

    // One append and the event loop turn after it, in microseconds.
    double TimeOneAppend(int number) {
        const auto start = std::chrono::steady_clock::now();
        form_->AppendNotePadLine(ReportLine(number));
        QApplication::processEvents();
        return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    }

    // Takes the last line off again, so every iteration appends at the same length.
    void RemoveLastLine() {
        QTextCursor cursor(form_->NotePad()->document());
        cursor.movePosition(QTextCursor::End);
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QApplication::processEvents();
    }

  private:
    QTemporaryDir folder_;
    kerfolio::Messages messages_;
    kerfolio::Clock clock_;
    std::unique_ptr<kerfolio::TForm1> form_;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double lastRatio[2] = {0, 0};

// Argument 0: the Help page in front, as after start-up (the NotePad hidden); 1: the NotePad in front.
void BM_NotePadAppend10000thVersus100th(benchmark::State& state) {
    const bool notePadShown = state.range(0) == 1;
    FilledForm shortPad(99, notePadShown);
    FilledForm longPad(9'999, notePadShown);
    std::vector<double> shortTimes;
    std::vector<double> longTimes;
    for (auto _ : state) {
        shortTimes.push_back(shortPad.TimeOneAppend(100));
        longTimes.push_back(longPad.TimeOneAppend(10'000));
        shortPad.RemoveLastLine();
        longPad.RemoveLastLine();
    }
    const double shortMedian = Median(shortTimes);
    const double longMedian = Median(longTimes);
    lastRatio[state.range(0)] = shortMedian > 0 ? longMedian / shortMedian : 0;
    state.counters["append100_us"] = shortMedian;
    state.counters["append10000_us"] = longMedian;
    state.counters["ratio"] = lastRatio[state.range(0)];
}
BENCHMARK(BM_NotePadAppend10000thVersus100th)->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("NotePad 10000th/100th append ratio: %.3f (hidden), %.3f (in front)\n", lastRatio[0],
                lastRatio[1]);
    return 0;
}

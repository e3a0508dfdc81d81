// The real main window with the live board on, idle and then under load from several clients at a
// steady rate: how late each clock tick comes after its whole second, whether any second is skipped,
// how long a click takes to open its confirmation, and how much the resident memory grows.
//
// A short run by default; KERFOLIO_LOAD_SECONDS=60 (and KERFOLIO_LOAD_RATE, requests per second, 200 by
// default) gives the long run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "app/clock.h"
#include "app/form1.h"
#include "app/live_publisher.h"
#include "app/messages.h"
#include "bench/bench_folder.h"
#include "storage/settings_file.h"
#include "tests/live/raw_client.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::max(1, std::atoi(value)) : fallback;
}

double ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1024.0;
}

// Requests at a steady rate from several clients, a connection each, until stopped.
class Load {
  public:
    Load(int port, int perSecond, int clients) {
        for (int c = 0; c < clients; ++c) {
            threads_.emplace_back(
                [this, port, c, period = std::chrono::microseconds(1'000'000 * clients / perSecond)] {
                    auto next = SteadyClock::now() + period * c / 4;
                    for (int i = 0; !stop_; ++i) {
                        std::this_thread::sleep_until(next);
                        next += period;
                        const auto answer =
                            kerfolio::live::testing::Ask(port, "GET", i % 2 ? "/board.json" : "/");
                        (answer.status == 200 ? ok_ : failed_)++;
                    }
                });
        }
    }
    ~Load() {
        stop_ = true;
        for (std::thread& thread : threads_)
            thread.join();
    }
    int Ok() const { return ok_; }
    int Failed() const { return failed_; }

  private:
    std::atomic<bool> stop_ = false;
    std::atomic<int> ok_ = 0, failed_ = 0;
    std::vector<std::thread> threads_;
};

struct Window {
    Window() {
        kerfolio::SettingsFile(folder.Path() / "save.ini")
            .Write("web", "listen",
                   "127.0.0.1:" + std::to_string(kerfolio::live::testing::FreeLoopbackPort()));
        form = std::make_unique<kerfolio::TForm1>(kerfolio::FormContext{folder.Path(), &messages, &clock});
        form->show();
    }
    kerfolio::BenchFolder folder;
    kerfolio::Messages messages;
    kerfolio::Clock clock;
    std::unique_ptr<kerfolio::TForm1> form;
};

// Made in main after the application and gone before it: widgets must not outlive it.
Window* theWindow = nullptr;

Window& TheWindow() {
    return *theWindow;
}

void RunWindow(benchmark::State& state, bool loaded) {
    Window& w = TheWindow();
    const int seconds = EnvInt("KERFOLIO_LOAD_SECONDS", 3);
    const int rate = EnvInt("KERFOLIO_LOAD_RATE", 200);
    QTimer* tick = w.form->findChild<QTimer*>(QStringLiteral("Timer1"));
    for (auto _ : state) {
        std::vector<double> lateness;
        std::set<qint64> secondsSeen;
        const auto connection = QObject::connect(tick, &QTimer::timeout, [&] {
            const qint64 ms = QDateTime::currentMSecsSinceEpoch();
            const qint64 into = ms % 1000;
            // A tick aims at 5 ms past its second; one that comes a hair early belongs to the next.
            lateness.push_back(into > 500 ? static_cast<double>(into) - 1005 : static_cast<double>(into) - 5);
            secondsSeen.insert(into > 500 ? ms / 1000 + 1 : ms / 1000);
        });
        // Clicks on an empty mount cell, answered with Cancel: time until the confirmation is up.
        std::vector<double> clickMicros;
        QTimer clicker;
        clicker.setInterval(250);
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            const auto start = SteadyClock::now();
            QTimer::singleShot(0, [&, start] {
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    clickMicros.push_back(
                        std::chrono::duration<double, std::micro>(SteadyClock::now() - start).count());
                    dialog->reject();
                }
            });
            w.form->EditClick(1);
        });
        const double memoryBefore = ResidentKiB();
        std::unique_ptr<Load> load;
        if (loaded) load = std::make_unique<Load>(w.form->Live()->Port(), rate, 4);
        QEventLoop loop;
        clicker.start();
        QTimer::singleShot(seconds * 1000 + 300, &loop, &QEventLoop::quit);
        const qint64 firstSecond = QDateTime::currentMSecsSinceEpoch() / 1000 + 1;
        loop.exec();
        clicker.stop();
        const qint64 lastSecond = QDateTime::currentMSecsSinceEpoch() / 1000;
        if (load) {
            state.counters["requests_ok"] = load->Ok();
            state.counters["requests_failed"] = load->Failed();
            load.reset();
        }
        QObject::disconnect(connection);
        std::sort(lateness.begin(), lateness.end());
        std::sort(clickMicros.begin(), clickMicros.end());
        int skipped = 0;
        for (qint64 s = firstSecond; s <= lastSecond; ++s)
            skipped += secondsSeen.count(s) == 0 ? 1 : 0;
        state.counters["tick_late_ms_median"] = lateness.empty() ? -1 : lateness[lateness.size() / 2];
        state.counters["tick_late_ms_max"] = lateness.empty() ? -1 : lateness.back();
        state.counters["seconds_skipped"] = skipped;
        state.counters["click_to_dialog_us_median"] =
            clickMicros.empty() ? -1 : clickMicros[clickMicros.size() / 2];
        state.counters["click_to_dialog_us_max"] = clickMicros.empty() ? -1 : clickMicros.back();
        state.counters["rss_growth_kib"] = ResidentKiB() - memoryBefore;
    }
}

void BM_WindowIdle(benchmark::State& state) {
    RunWindow(state, false);
}
BENCHMARK(BM_WindowIdle)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_WindowUnderLoad(benchmark::State& state) {
    RunWindow(state, true);
}
BENCHMARK(BM_WindowUnderLoad)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    Window window;
    theWindow = &window;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

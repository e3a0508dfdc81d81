// Builds one window, shows it, waits until the window system has exposed it and it has been painted,
// writes that moment (CLOCK_MONOTONIC, nanoseconds) to stdout and exits. The window benchmark starts
// it many times: "form DATAFOLDER" is the real main window, built the way main() builds it, on the
// benchmark's temporary data folder; "plain" is a bare window holding the same widget kinds and
// counts, the least any program showing that window has to pay. The moment is written rather than the
// exit waited for, so what the program does at its close is not counted as start-up.
#include <time.h>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/clock.h"
#include "app/form1.h"
#include "app/messages.h"
#include "app/single_instance.h"
#include "app/termination.h"
#include "app/widgets/fonts.h"

namespace {

// Ends the event loop once the window is exposed and the expose has been handled (painted).
class ExposeWatch : public QObject {
  public:
    explicit ExposeWatch(QWidget* window) {
        window->winId();  // makes the native window, so there is one to watch before it shows
        window->windowHandle()->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed() && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, qApp, [] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                std::printf("%lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

  private:
    bool seen_ = false;
};

std::unique_ptr<QWidget> PlainWindow() {
    auto window = std::make_unique<QWidget>();
    window->setFixedSize(487, 258);
    auto* tabs = new QTabWidget(window.get());
    tabs->setGeometry(0, 0, 487, 238);
    auto* board = new QWidget(tabs);
    for (int cell = 0; cell < 42; ++cell) {
        auto* edit = new QLineEdit(board);
        edit->setReadOnly(true);
        edit->setGeometry(88 + 56 * (cell % 7), 24 + 32 * (cell / 7), 49, 21);
    }
    for (int label = 0; label < 12; ++label)
        new QLabel(QStringLiteral("机床"), board);
    tabs->addTab(board, QStringLiteral("Wire cut"));
    auto* notePad = new QPlainTextEdit(tabs);
    tabs->addTab(notePad, QStringLiteral("NotePad"));
    tabs->addTab(new QWidget(tabs), QStringLiteral("Options"));
    auto* help = new QLabel(QStringLiteral("帮助"), tabs);
    tabs->addTab(help, QStringLiteral(" Help  "));
    tabs->setCurrentWidget(help);
    return window;
}

int RunForm(QApplication& app, const std::filesystem::path& dataFolder) {
    // The user's runtime folder, as for the real program; the data folder is the benchmark's own, so
    // the lock and the socket named from it are too.
    kerfolio::SingleInstance instance(dataFolder);
    if (!instance.Claim()) return 2;
    kerfolio::Messages messages;
    kerfolio::Clock clock;
    kerfolio::TForm1 form({dataFolder, &messages, &clock});
    QObject::connect(&instance, &kerfolio::SingleInstance::ComeBackRequested, &form,
                     &kerfolio::TForm1::ComeBack);
    kerfolio::CloseOnTermination(&form, [&form] { form.close(); });
    ExposeWatch watch(&form);
    if (!form.Start()) return 2;
    return app.exec();
}

int RunPlain(QApplication& app) {
    const std::unique_ptr<QWidget> window = PlainWindow();
    ExposeWatch watch(window.get());
    window->show();
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const bool form = argc == 3 && std::strcmp(argv[1], "form") == 0;
    const bool plain = argc == 2 && std::strcmp(argv[1], "plain") == 0;
    if (!form && !plain) {
        std::fprintf(stderr, "usage: window_probe form DATAFOLDER | window_probe plain\n");
        return 2;
    }
    // Taken before QApplication, which removes the arguments it knows.
    const std::filesystem::path dataFolder = form ? argv[2] : "";
    if (form) kerfolio::HoldTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kerfolio"));
    if (form) kerfolio::UseDefaultFontEverywhere();
    return form ? RunForm(app, dataFolder) : RunPlain(app);
}

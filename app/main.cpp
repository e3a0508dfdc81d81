#include <QApplication>
#include <QLocale>
#include <QStandardPaths>
#include <iostream>

#include "app/clock.h"
#include "app/command_line.h"
#include "app/form1.h"
#include "app/messages.h"
#include "app/qt_translations.h"
#include "app/report_action.h"
#include "app/single_instance.h"
#include "app/termination.h"
#include "app/widgets/fonts.h"
#include "storage/data_folder.h"

int main(int argc, char** argv) {
    // --help and --version answer before a display, the data folder or the lock is asked for.
    const kerfolio::StartRequest start = kerfolio::ReadCommandLine(argc, argv, std::cout, std::cerr);
    if (start.action == kerfolio::StartRequest::Action::Exit) return start.exitStatus;
    kerfolio::HoldTerminationSignals();  // before Qt starts threads that would inherit the mask
    QApplication app(argc, argv);
    // From the first box start-up may show on, a shutdown does not wait for an operator to close it.
    kerfolio::HandleTerminationSignals();
    QApplication::setApplicationName(QStringLiteral("Kerfolio"));
    kerfolio::InstallQtTranslations(QLocale::system());
    kerfolio::UseDefaultFontEverywhere();
    if (start.action == kerfolio::StartRequest::Action::Report)
        return kerfolio::ShowRecentReportOfThisProcess();

    const std::filesystem::path exeFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
    const std::filesystem::path dataFolder = kerfolio::ChooseDataFolder(exeFolder, userFolder);

    // Before anything in the data folder is read or written: a second start only hands over.
    kerfolio::Messages messages;
    kerfolio::SingleInstance instance(dataFolder);
    if (!instance.Claim()) {
        if (instance.Problem().isEmpty()) return 0;
        messages.Error(instance.Problem());
        return 1;
    }

    kerfolio::Clock clock;
    kerfolio::StartUpMessages startUpMessages;
    kerfolio::TForm1 form({dataFolder, &startUpMessages, &clock});
    QObject::connect(&instance, &kerfolio::SingleInstance::ComeBackRequested, &form,
                     &kerfolio::TForm1::ComeBack);
    // A close that the form accepts ends the program even when a dialog is open in front of it.
    kerfolio::CloseOnTermination(&form, [&form] {
        if (form.close()) QCoreApplication::exit(0);
    });
    // Asked to end while start-up showed a box: the box is gone, the window closes as at any other time.
    if (kerfolio::TerminationRequested() && form.close()) return 0;
    if (!form.Start()) return 0;
    startUpMessages.Release();
    return QApplication::exec();
}

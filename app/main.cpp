#include <QApplication>
#include <QStandardPaths>

#include "app/clock.h"
#include "app/form1.h"
#include "app/messages.h"
#include "storage/data_folder.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kerfolio"));

    const std::filesystem::path exeFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path userFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();

    kerfolio::Messages messages;
    kerfolio::Clock clock;
    kerfolio::TForm1 form({kerfolio::ChooseDataFolder(exeFolder, userFolder), &messages, &clock});
    if (!form.Start()) return 0;
    return QApplication::exec();
}

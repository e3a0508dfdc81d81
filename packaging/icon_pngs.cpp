// Writes the program's icon as PNG files of the sizes a desktop theme looks for, from the same
// drawing the window uses: icon_pngs OUTPUT_FOLDER
#include <QDir>
#include <QGuiApplication>

#include "app/widgets/icons.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(folder)) return 1;
        if (!kerfolio::WindowIcon().pixmap(size, size).save(out.filePath(folder + "/kerfolio.png"))) return 1;
    }
    return 0;
}

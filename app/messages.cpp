#include "app/messages.h"

#include <QApplication>
#include <QMessageBox>

namespace kerfolio {
namespace {

void Show(QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, kApplicationTitle, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace

void Messages::Information(const QString& text) {
    Show(QMessageBox::NoIcon, text);
}

void Messages::Error(const QString& text) {
    Show(QMessageBox::Critical, WithFullStop(text));
}

QString Messages::WithFullStop(const QString& text) {
    return text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
}

}  // namespace kerfolio

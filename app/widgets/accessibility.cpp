#include "app/widgets/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

namespace kerfolio {
namespace {

QAccessibleInterface* MainWindowInterface(const QString& className, QObject* object) {
    if (className != QLatin1String("kerfolio::TForm1") || !object->isWidgetType()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

}  // namespace

void ReportMainWindowAsWindow() {
    static const bool installed = [] {
        QAccessible::installFactory(MainWindowInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace kerfolio

#include "app/report_action.h"

#include <QCoreApplication>
#include <sstream>

#include "app/messages.h"
#include "app/termination.h"
#include "reports/system_short_date.h"

namespace kerfolio {
namespace {

const QString kReportFailed = QStringLiteral("报表未能打开");
const QString kReportTool = QStringLiteral("kerfolio-report: ");

}  // namespace

int ShowRecentReport(const Environment& given, Messages& messages) {
    CommandLine line;
    line.recent = true;
    Environment environment = given;
    environment.chinese = true;  // for the operator's box, in the window's language
    std::ostringstream out, err;
    const int status = RunReport(line, environment, out, err);
    if (status != 0) {
        QString why = QString::fromStdString(err.str()).trimmed();
        why.remove(kReportTool);  // the box names no other program than the one the operator started
        messages.Error(kReportFailed + QStringLiteral("：\n") + why);
    }
    return status;
}

int ShowRecentReportOfThisProcess() {
    CloseOnTermination(QCoreApplication::instance(), [] { QCoreApplication::exit(1); });
    Messages messages;
    Environment environment = ProcessEnvironment();
    environment.shortDate = SystemShortDate();  // archive names read as this PC wrote them
    return ShowRecentReport(environment, messages);
}

}  // namespace kerfolio

#include "reports/system_short_date.h"

#include <QLocale>

namespace kerfolio {

ShortDateFormat SystemShortDate() {
    const QLocale locale = QLocale::system();
    ShortDateFormat format{locale.dateFormat(QLocale::ShortFormat).toStdString(), {}};
    for (const auto type : {QLocale::ShortFormat, QLocale::LongFormat}) {
        for (int month = 1; month <= 12; ++month)
            format.monthNames.push_back(locale.monthName(month, type).toStdString());
    }
    return format;
}

}  // namespace kerfolio

#include "app/clock.h"

namespace kerfolio {

TDateTime ToDateTime(const QDateTime& moment) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(moment.date())) +
           moment.time().msecsSinceStartOfDay() / kMsPerDay;
}

}  // namespace kerfolio

#include "app/clock.h"

namespace kerfolio {

TDateTime ToDateTime(const QDateTime& moment) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(moment.date())) +
           moment.time().msecsSinceStartOfDay() / kMsPerDay;
}

ClockReading ReadingOf(const QDateTime& moment) {
    return {ToDateTime(moment), {moment.toMSecsSinceEpoch(), moment.offsetFromUtc()}};
}

}  // namespace kerfolio

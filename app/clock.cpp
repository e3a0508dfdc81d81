#include "app/clock.h"

#include "storage/utc_offset.h"

namespace kerfolio {

TDateTime ToDateTime(const QDateTime& moment) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<double>(epoch.daysTo(moment.date())) +
           moment.time().msecsSinceStartOfDay() / kMsPerDay;
}

ClockReading ReadingOf(const QDateTime& moment) {
    const std::int64_t utcMs = moment.toMSecsSinceEpoch();
    return {ToDateTime(moment), {utcMs, UtcOffsetS(utcMs / 1000)}};
}

}  // namespace kerfolio

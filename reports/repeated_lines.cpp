#include "reports/repeated_lines.h"

#include <algorithm>
#include <functional>

namespace kerfolio {

std::size_t RepeatedLines::KeyHash::operator()(const Key& key) const {
    std::size_t hash = std::hash<std::string>{}(key.workpiece);
    for (const int number : key.numbers)
        hash = hash * 31 + std::hash<int>{}(number);
    return hash;
}

void RepeatedLines::Forget(Day before) {
    for (; !met_.empty() && met_.front().first < before; met_.pop_front()) {
        const auto found = seen_.find(met_.front().second);
        if (found != seen_.end() && found->second.last < before) seen_.erase(found);
    }
}

std::optional<LinePlace> RepeatedLines::Repeats(int name, std::string_view workpiece, const JobFigures& job,
                                                Day fileDate, LinePlace place) {
    const Day horizon = fileDate - std::chrono::days(kRememberDays);
    Forget(horizon);
    Key key{{name, job.mount, job.start, job.jump, job.wireBreak, job.finish, job.amount},
            std::string(workpiece)};
    const auto [found, added] = seen_.try_emplace(key, Seen{place, fileDate});
    met_.emplace_back(fileDate, std::move(key));
    if (added) return std::nullopt;
    Seen& seen = found->second;
    const bool fresh = seen.last >= horizon;
    seen.last = std::max(seen.last, fileDate);
    if (!fresh) {
        seen.first = place;  // forgotten in all but name: this line counts anew
        return std::nullopt;
    }
    return seen.first;
}

}  // namespace kerfolio

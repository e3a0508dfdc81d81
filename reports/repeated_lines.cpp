#include "reports/repeated_lines.h"

#include <cstring>
#include <iterator>

namespace kerfolio {

void RepeatedLines::Forget(Day before) {
    for (auto it = seen_.begin(); it != seen_.end();)
        it = it->second.last < before ? seen_.erase(it) : std::next(it);
    forgotten_ = before;
}

std::optional<LinePlace> RepeatedLines::Repeats(int name, std::string_view workpiece, const JobFigures& job,
                                                Day fileDate, LinePlace place) {
    const Day horizon = fileDate - std::chrono::days(kRememberDays);
    // Once a week is enough: what is held then is at most five weeks of lines.
    if (horizon > forgotten_ + std::chrono::days(7)) Forget(horizon);
    const int numbers[] = {name, job.mount, job.start, job.jump, job.wireBreak, job.finish, job.amount};
    std::string key(sizeof numbers, '\0');
    std::memcpy(key.data(), numbers, sizeof numbers);
    key += workpiece;
    const auto [found, added] = seen_.try_emplace(std::move(key), Seen{place, fileDate});
    if (added) return std::nullopt;
    const bool fresh = found->second.last >= horizon;
    found->second.last = std::max(found->second.last, fileDate);
    if (!fresh) {
        found->second.first = place;  // forgotten in all but name: this line counts anew
        return std::nullopt;
    }
    return found->second.first;
}

}  // namespace kerfolio

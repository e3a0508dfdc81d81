#include "reports/repeated_lines.h"

namespace kerfolio {
namespace {

std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 14'695'981'039'346'656'037ull) {
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1'099'511'628'211ull;
    return hash;
}

}  // namespace

std::size_t RepeatedLines::KeyHash::operator()(const Key& key) const {
    std::uint64_t hash = key.workpieceHash;
    for (const int number : key.numbers)
        hash = (hash ^ std::uint32_t(number)) * 1'099'511'628'211ull;
    // Lines of a folder differ in a few seconds of their times: mixed, so the table's buckets fill evenly.
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ull;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebull;
    return std::size_t(hash ^ (hash >> 31));
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
    const Key key{{name, job.mount, job.start, job.jump, job.wireBreak, job.finish, job.amount},
                  Fnv1a(workpiece)};
    const auto [found, added] = seen_.try_emplace(key, Seen{place, fileDate, std::string(workpiece)});
    met_.emplace_back(fileDate, key);
    if (added) return std::nullopt;
    // Another name of the same hash is another job; it is not remembered, which costs at most a repeat
    // of it going unnoticed.
    if (found->second.workpiece != workpiece) return std::nullopt;
    const bool fresh = found->second.last >= horizon;
    found->second.last = std::max(found->second.last, fileDate);
    if (!fresh) {
        found->second.first = place;  // forgotten in all but name: this line counts anew
        return std::nullopt;
    }
    return found->second.first;
}

}  // namespace kerfolio

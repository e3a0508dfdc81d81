#include "reports/repeated_lines.h"

#include <algorithm>
#include <utility>

namespace kerfolio {
namespace {

std::uint64_t Fnv1a(std::string_view bytes, std::uint64_t hash = 14'695'981'039'346'656'037ull) {
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1'099'511'628'211ull;
    return hash;
}

constexpr std::size_t kFirstSlots = 4096;

}  // namespace

std::uint64_t RepeatedLines::HashOf(const Key& key) {
    std::uint64_t hash = key.workpieceHash;
    for (const int number : key.numbers)
        hash = (hash ^ std::uint32_t(number)) * 1'099'511'628'211ull;
    // Lines of a folder differ in a few seconds of their times: mixed, so the slots fill evenly.
    hash = (hash ^ (hash >> 30)) * 0xbf58476d1ce4e5b9ull;
    hash = (hash ^ (hash >> 27)) * 0x94d049bb133111ebull;
    hash ^= hash >> 31;
    return hash == 0 ? 1 : hash;  // 0 marks an empty slot
}

std::size_t RepeatedLines::Find(std::uint64_t hash, const Key& key) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = std::size_t(hash) & mask;
    while (slots_[i].hash != 0 && !(slots_[i].hash == hash && slots_[i].key == key))
        i = (i + 1) & mask;
    return i;
}

void RepeatedLines::Erase(std::size_t slot) {
    // Linear probing without markers of the removed: the later slots of the run move back into the gap
    // unless that would put them before the slot their hash starts at.
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t next = (slot + 1) & mask; slots_[next].hash != 0; next = (next + 1) & mask) {
        const std::size_t home = std::size_t(slots_[next].hash) & mask;
        const bool staysPut = slot <= next ? (slot < home && home <= next) : (slot < home || home <= next);
        if (staysPut) continue;
        slots_[slot] = std::move(slots_[next]);
        slot = next;
    }
    slots_[slot].hash = 0;
    slots_[slot].workpiece.clear();
    --used_;
}

void RepeatedLines::Grow() {
    std::vector<Slot> old =
        std::exchange(slots_, std::vector<Slot>(std::max(kFirstSlots, slots_.size() * 2)));
    for (Slot& slot : old) {
        if (slot.hash != 0) slots_[Find(slot.hash, slot.key)] = std::move(slot);
    }
}

void RepeatedLines::Forget(Day before) {
    for (; !met_.empty() && met_.front().day < before; met_.pop_front()) {
        const std::size_t slot = Find(met_.front().hash, met_.front().key);
        if (slots_[slot].hash != 0 && slots_[slot].last < before) Erase(slot);
    }
}

std::optional<LinePlace> RepeatedLines::Repeats(int name, std::string_view workpiece, const JobFigures& job,
                                                Day fileDate, LinePlace place) {
    const Day horizon = fileDate - std::chrono::days(kRememberDays);
    Forget(horizon);
    if (2 * (used_ + 1) > slots_.size()) Grow();
    const Key key{{name, job.mount, job.start, job.jump, job.wireBreak, job.finish, job.amount},
                  Fnv1a(workpiece)};
    const std::uint64_t hash = HashOf(key);
    met_.push_back({fileDate, hash, key});
    Slot& slot = slots_[Find(hash, key)];
    if (slot.hash == 0) {
        slot.hash = hash;
        slot.key = key;
        slot.first = place;
        slot.last = fileDate;
        slot.workpiece.assign(workpiece);
        ++used_;
        return std::nullopt;
    }
    // Another name of the same hash is another job; it is not remembered, which costs at most a repeat
    // of it going unnoticed.
    if (slot.workpiece != workpiece) return std::nullopt;
    const bool fresh = slot.last >= horizon;
    slot.last = std::max(slot.last, fileDate);
    if (!fresh) {
        slot.first = place;  // forgotten in all but name: this line counts anew
        return std::nullopt;
    }
    return slot.first;
}

}  // namespace kerfolio

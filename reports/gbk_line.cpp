#include "reports/gbk_line.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "board/integer_text.h"
#include "board/messages.h"
#include "board/time_text.h"
#include "storage/gbk.h"

namespace kerfolio {
namespace {

constexpr int kLabels = 8;

// The labels without their colons and the full-width colon, in GBK; every character has one GBK form,
// so a label found here is a label in the decoded line and the other way round.
struct GbkLabels {
    std::array<std::string, kLabels> names;
    // Each name (at most eight bytes) as a little word and the mask of its bytes: one comparison finds
    // it where eight bytes of the line are left.
    std::array<std::uint64_t, kLabels> words{};
    std::array<std::uint64_t, kLabels> masks{};
    std::string fullWidthColon;
    // By a character's code (lead byte << 8 | trail byte): 1 + the label it begins, 0 for none. The
    // labels begin with different characters.
    std::array<std::int8_t, 0x10000> labelStartingWith{};
};

std::uint16_t CharacterCode(std::string_view text, std::size_t pos) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(text[pos]) << 8 |
                                      static_cast<unsigned char>(text[pos + 1]));
}

const GbkLabels& Labels() {
    static const GbkLabels labels = [] {
        GbkLabels made;
        for (int field = 0; field < kLabels; ++field) {
            const std::string_view label = msg::kCompletionLabels[field];
            made.names[field] = ToGbk(label.substr(0, label.size() - 1));
            made.labelStartingWith[CharacterCode(made.names[field], 0)] = static_cast<std::int8_t>(field + 1);
            const std::string& name = made.names[field];
            std::memcpy(&made.words[field], name.data(), std::min(name.size(), sizeof(std::uint64_t)));
            made.masks[field] =
                name.size() >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << 8 * name.size()) - 1;
        }
        made.fullWidthColon = ToGbk("：");
        return made;
    }();
    return labels;
}

// Seconds of a time of day. "H:MM:SS" as the program writes it is read here; any other form goes to the
// general reader, which also takes what hand edits leave.
std::optional<int> Seconds(std::string_view text) {
    const auto digit = [&](std::size_t i) { return unsigned(text[i] - '0') <= 9 ? text[i] - '0' : -1; };
    const std::size_t h = text.size() - 7;  // digits of the hour beyond the first
    if ((text.size() == 7 || text.size() == 8) && text[h + 1] == ':' && text[h + 4] == ':') {
        const int hours = h == 0 ? digit(0) : (digit(0) < 0 || digit(1) < 0 ? -1 : digit(0) * 10 + digit(1));
        const int d[] = {digit(h + 2), digit(h + 3), digit(h + 5), digit(h + 6)};
        if (hours >= 0 && hours <= 23 && d[0] >= 0 && d[0] <= 5 && d[1] >= 0 && d[2] >= 0 && d[2] <= 5 &&
            d[3] >= 0) {
            return hours * 3'600 + (d[0] * 10 + d[1]) * 60 + d[2] * 10 + d[3];
        }
    }
    const auto time = TryParseTimeText(text);
    if (!time) return std::nullopt;
    return static_cast<int>(std::lround(*time * 86'400.0));
}

struct Found {
    std::size_t at;       // where the label starts
    std::size_t valueAt;  // where its value starts, after the colon
};

// Where one label stands with a colon after it, in line order. Names that hold a label more often than
// this are rare enough to leave to ReadReportLine.
struct Hits {
    static constexpr std::size_t kMax = 4;
    std::size_t count = 0;
    Found found[kMax];
};

// Every "label:" starting on a character boundary; false when one label stands too often.
bool FindLabels(std::string_view line, const GbkLabels& labels, Hits (&hits)[kLabels]) {
    const char* const data = line.data();
    const std::size_t size = line.size();
    std::size_t pos = 0;
    while (pos < size) {
        // Most of a line is digits and blanks, and every ASCII byte is a character: eight at a time.
        std::uint64_t word;
        while (pos + sizeof word <= size) {
            std::memcpy(&word, data + pos, sizeof word);
            if (word & 0x8080'8080'8080'8080u) break;
            pos += sizeof word;
        }
        while (pos < size && static_cast<unsigned char>(data[pos]) < 0x80)
            ++pos;
        if (pos == size) break;
        const std::size_t length = GbkCharLength(line, pos);
        const int field = length == 2 ? labels.labelStartingWith[CharacterCode(line, pos)] - 1 : -1;
        if (field >= 0) {
            const std::string& name = labels.names[field];
            const std::size_t end = pos + name.size();
            bool same;
            if (pos + sizeof word <= size && name.size() <= sizeof word) {
                std::memcpy(&word, data + pos, sizeof word);
                same = (word & labels.masks[field]) == labels.words[field];
            } else {
                same = end <= size && line.compare(pos, name.size(), name) == 0;
            }
            if (same && end < size) {
                std::size_t colon = 0;
                if (data[end] == ':') {
                    colon = 1;
                } else if (end + 1 < size && data[end] == labels.fullWidthColon[0] &&
                           data[end + 1] == labels.fullWidthColon[1]) {
                    colon = 2;
                }
                if (colon != 0) {
                    Hits& h = hits[field];
                    if (h.count == Hits::kMax) return false;
                    h.found[h.count++] = {pos, end + colon};
                }
            }
        }
        pos += length;
    }
    return true;
}

// The last label whose colon ends by end, as ReadReportLine looks for the fields after the names.
const Found* LastBefore(const Hits& hits, std::size_t end) {
    for (std::size_t i = hits.count; i-- > 0;) {
        if (hits.found[i].valueAt <= end) return &hits.found[i];
    }
    return nullptr;
}

// The first label from `from` whose colon ends by end.
const Found* FirstWithin(const Hits& hits, std::size_t from, std::size_t end) {
    for (std::size_t i = 0; i < hits.count; ++i) {
        if (hits.found[i].at >= from && hits.found[i].valueAt <= end) return &hits.found[i];
    }
    return nullptr;
}

// UTF-8 of one GBK character, remembered per thread: an archive uses a few hundred distinct characters.
struct Utf8Char {
    std::uint8_t size = 0;  // 0 until known
    char bytes[7];
};

using KnownCharacters = std::vector<Utf8Char>;

const Utf8Char& Known(KnownCharacters& known, std::string_view character) {
    const auto lead = static_cast<unsigned char>(character[0]);
    const std::size_t key = character.size() == 2
                                ? (std::size_t(lead) << 8 | static_cast<unsigned char>(character[1]))
                                : 0x10000 + lead;
    Utf8Char& utf8 = known[key];
    if (utf8.size == 0) {
        // A character decodes to at most two (U+FFFD and its trail byte read alone), six bytes.
        const std::string decoded = FromGbk(character);
        utf8.size = static_cast<std::uint8_t>(decoded.copy(utf8.bytes, sizeof utf8.bytes));
    }
    return utf8;
}

// The times and amount of a line's values; false when one does not read here.
bool ReadFigures(const std::string_view (&values)[kLabels], JobFigures& figures) {
    int* const times[] = {&figures.mount, &figures.start, &figures.jump, &figures.wireBreak, &figures.finish};
    for (int field = 2; field <= 6; ++field) {
        // A time is ASCII; any other byte makes it fail here as it fails decoded.
        const auto seconds = Seconds(values[field]);
        if (!seconds) return false;
        *times[field - 2] = *seconds;
    }
    const auto amount = TryParseIntegerText(values[7]);
    if (!amount || *amount < 0) return false;
    figures.amount = *amount;
    return true;
}

// Whether field's label stands at pos of line, ending by last.
inline bool LabelAt(const GbkLabels& labels, int field, std::string_view line, std::size_t pos,
                    std::size_t last) {
    const std::size_t size = labels.names[field].size();
    if (pos + size > last) return false;
    if (pos + sizeof(std::uint64_t) <= line.size()) {
        std::uint64_t word;
        std::memcpy(&word, line.data() + pos, sizeof word);
        return (word & labels.masks[field]) == labels.words[field];
    }
    return line.compare(pos, size, labels.names[field]) == 0;
}

constexpr std::size_t kNone = std::string_view::npos;

// Where field's label starts when it ends in an ASCII colon just before pos and follows a byte below
// 0x40, which no GBK character has as a trail byte, so the label starts a character.
inline std::size_t LabelBefore(const GbkLabels& labels, int field, std::string_view line, std::size_t begin,
                               std::size_t pos) {
    const std::size_t size = labels.names[field].size();
    if (pos < begin + size + 2 || line[pos - 1] != ':') return kNone;
    const std::size_t at = pos - 1 - size;
    if (static_cast<unsigned char>(line[at - 1]) >= 0x40 || !LabelAt(labels, field, line, at, pos))
        return kNone;
    return at;
}

inline std::size_t SkipBlanksBack(const char* data, std::size_t begin, std::size_t pos) {
    // The program writes four blanks between fields.
    if (pos >= begin + 4 && std::memcmp(data + pos - 4, "    ", 4) == 0) pos -= 4;
    while (pos > begin && IsBlank(data[pos - 1]))
        --pos;
    return pos;
}

inline std::string_view Trimmed(const char* data, std::size_t from, std::size_t to) {
    while (from < to && IsBlank(data[from]))
        ++from;
    while (to > from && IsBlank(data[to - 1]))
        --to;
    return std::string_view(data + from, to - from);
}

// Reads a line as the program writes it, or says false and leaves it to ReadPlainGbkFields.
bool ReadWritten(std::string_view line, PlainGbkFields& fields) {
    const char* const data = line.data();
    std::size_t begin = 0;
    while (begin < line.size() && IsBlank(data[begin]))
        ++begin;
    const GbkLabels& labels = Labels();

    // From the right: blanks, a value in the form the program writes, its label's ASCII colon and the
    // label. A value of digits and colons holds no label, so the label is the last one before the
    // next, as the general reader finds it.
    std::size_t pos = SkipBlanksBack(data, begin, line.size());
    // The amount: up to nine decimal digits, which always fit.
    std::int32_t amount = 0, scale = 1;
    int digits = 0;
    for (; digits < 9 && pos > begin && unsigned(data[pos - 1] - '0') <= 9; ++digits, --pos) {
        amount += (data[pos - 1] - '0') * scale;
        scale *= 10;
    }
    if (digits == 0) return false;
    pos = LabelBefore(labels, kLabels - 1, line, begin, pos);
    if (pos == kNone) return false;
    JobFigures& figures = fields.figures;
    figures.amount = amount;
    int* const times[] = {&figures.mount, &figures.start, &figures.jump, &figures.wireBreak, &figures.finish};
    for (int field = kLabels - 2; field >= 2; --field) {
        // "H:MM:SS" or "HH:MM:SS" after the label's colon: the last nine bytes hold either.
        pos = SkipBlanksBack(data, begin, pos);
        if (pos < begin + 9) return false;
        const char* const t = data + pos - 8;
        const auto at = [t](int i) { return unsigned(t[i] - '0'); };
        if (t[2] != ':' || t[5] != ':' || at(1) > 9 || at(3) > 5 || at(4) > 9 || at(6) > 5 || at(7) > 9) {
            return false;
        }
        const bool twoDigitHour = at(0) <= 9;
        if (!twoDigitHour && t[0] != ':') return false;
        const unsigned hours = twoDigitHour ? at(0) * 10 + at(1) : at(1);
        if (hours > 23) return false;
        *times[field - 2] = int(hours * 3'600 + (at(3) * 10 + at(4)) * 60 + at(6) * 10 + at(7));
        pos = LabelBefore(labels, field, line, begin, pos - (twoDigitHour ? 8 : 7));
        if (pos == kNone) return false;
    }
    const std::size_t end = pos;

    // From the left, the number and blanks are ASCII, so the machine's label is the first character that
    // is not; the workpiece's is the first label in the machine's name.
    pos = begin;
    while (pos < end && static_cast<unsigned char>(data[pos]) < 0x80)
        ++pos;
    const std::size_t machineSize = labels.names[0].size();
    if (!LabelAt(labels, 0, line, pos, end) || pos + machineSize >= end || data[pos + machineSize] != ':') {
        return false;
    }
    const std::size_t machineAt = pos + machineSize + 1;
    for (pos = machineAt;; pos += GbkCharLength(line, pos)) {
        while (pos < end && static_cast<unsigned char>(data[pos]) < 0x80)
            ++pos;
        if (pos >= end) return false;
        if (LabelAt(labels, 1, line, pos, end)) break;
    }
    // Past the label's end or with a full-width colon: the general reader decides.
    const std::size_t workpieceEnd = pos + labels.names[1].size();
    if (workpieceEnd >= end || data[workpieceEnd] != ':') return false;
    fields.machine = Trimmed(data, machineAt, pos);
    fields.workpiece = Trimmed(data, workpieceEnd + 1, end);
    return true;
}

}  // namespace

std::string DecodeGbkCharacters(std::string_view gbk) {
    thread_local KnownCharacters known(0x10000 + 0x100);
    // Names are short: decoded on the stack, so the result is made once and small ones stay inline.
    char buffer[256];
    std::string out;
    std::size_t used = 0;
    const auto flush = [&] {
        out.append(buffer, used);
        used = 0;
    };
    std::size_t pos = 0;
    while (pos < gbk.size()) {
        if (used + sizeof(Utf8Char::bytes) > sizeof buffer) flush();
        const auto lead = static_cast<unsigned char>(gbk[pos]);
        if (lead < 0x80) {
            buffer[used++] = static_cast<char>(lead);
            ++pos;
            continue;
        }
        const std::size_t length = GbkCharLength(gbk, pos);
        const Utf8Char& utf8 = Known(known, gbk.substr(pos, length));
        for (std::uint8_t i = 0; i < utf8.size; ++i)
            buffer[used++] = utf8.bytes[i];
        pos += length;
    }
    if (out.empty()) return std::string(buffer, used);
    flush();
    return out;
}

std::optional<PlainGbkFields> ReadPlainGbkFields(std::string_view gbkLine) {
    const std::string_view line = Trim(gbkLine);
    const GbkLabels& labels = Labels();
    Hits hits[kLabels];
    if (line.empty() || !FindLabels(line, labels, hits)) return std::nullopt;

    // As ReadReportLine: the fields after the names from the right, then the names from the left.
    std::string_view values[kLabels];
    std::size_t end = line.size();
    for (int field = kLabels - 1; field >= 2; --field) {
        const Found* found = LastBefore(hits[field], end);
        if (!found) return std::nullopt;
        values[field] = Trim(line.substr(found->valueAt, end - found->valueAt));
        end = found->at;
    }
    const Found* machine = FirstWithin(hits[0], 0, end);
    if (!machine) return std::nullopt;
    const Found* workpiece = FirstWithin(hits[1], machine->valueAt, end);
    if (!workpiece) return std::nullopt;

    PlainGbkFields fields;
    if (!ReadFigures(values, fields.figures)) return std::nullopt;
    fields.machine = Trim(line.substr(machine->valueAt, workpiece->at - machine->valueAt));
    fields.workpiece = Trim(line.substr(workpiece->valueAt, end - workpiece->valueAt));
    return fields;
}

std::optional<PlainGbkFields> ReadWrittenGbkFields(std::string_view gbkLine) {
    // Filled in place: copying the fields into the result cost as much as reading a field.
    std::optional<PlainGbkFields> result(std::in_place);
    if (!ReadWritten(gbkLine, *result)) result.reset();
    return result;
}

ArchiveJob DecodedJob(const PlainGbkFields& fields) {
    const JobFigures& figures = fields.figures;
    ArchiveJob job;
    job.machine = DecodeGbkCharacters(fields.machine);
    job.workpiece = DecodeGbkCharacters(fields.workpiece);
    job.mount = figures.mount;
    job.start = figures.start;
    job.jump = figures.jump;
    job.wireBreak = figures.wireBreak;
    job.finish = figures.finish;
    job.amount = figures.amount;
    return job;
}

std::optional<ArchiveJob> ReadPlainGbkLine(std::string_view gbkLine) {
    const auto fields = ReadPlainGbkFields(gbkLine);
    if (!fields) return std::nullopt;
    return DecodedJob(*fields);
}

}  // namespace kerfolio

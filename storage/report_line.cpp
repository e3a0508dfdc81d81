#include "storage/report_line.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "board/integer_text.h"
#include "board/messages.h"
#include "board/time_text.h"
#include "storage/gbk.h"

namespace kerfolio {
namespace {

// Bytes are compared eight at a time as words, first byte lowest.
static_assert(std::endian::native == std::endian::little);

// Why a report line does not read, shown by the report beside the file and the line.
constexpr char kLineMissingLabel[] = "缺少标签 ";
constexpr char kLineBadTime[] = "时间无法读取 ";
constexpr char kLineBadAmount[] = "加工量不是整数 ";
constexpr char kLineNegativeAmount[] = "加工量为负数 ";

constexpr int kLabels = 8;
constexpr int kMachine = 0, kWorkpiece = 1, kAmount = 7;

// The labels without their colons and the full-width colon, in GBK; every character has one GBK form,
// so a label found in the bytes is a label in the decoded line and the other way round.
struct GbkLabels {
    std::array<std::string, kLabels> names;
    // Each name (at most eight bytes) as a little word and the mask of its bytes: one comparison finds
    // it where eight bytes of the line are left.
    std::array<std::uint64_t, kLabels> words{};
    std::array<std::uint64_t, kLabels> masks{};
    std::string fullWidthColon;
    // By a lead byte: the labels whose first character starts with it, one bit each. Small enough to
    // stay in the first-level cache while every character of a line is looked up.
    std::array<std::uint8_t, 256> labelsLeadingWith{};
    std::array<char, kLabels> secondBytes{};  // of each label's first character
};

const GbkLabels& Labels() {
    static const GbkLabels labels = [] {
        GbkLabels made;
        for (std::size_t field = 0; field < kLabels; ++field) {
            const std::string_view label = msg::kCompletionLabels[field];
            std::string& name = made.names[field];
            name = ToGbk(label.substr(0, label.size() - 1));
            made.labelsLeadingWith[static_cast<unsigned char>(name[0])] |=
                static_cast<std::uint8_t>(1u << field);
            made.secondBytes[field] = name[1];
            std::memcpy(&made.words[field], name.data(), std::min(name.size(), sizeof(std::uint64_t)));
            made.masks[field] =
                name.size() >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << 8 * name.size()) - 1;
        }
        made.fullWidthColon = ToGbk("：");
        return made;
    }();
    return labels;
}

// "label:" in a line: which label, where it starts and where its value starts, after the colon.
struct Hit {
    int field;
    std::size_t at;
    std::size_t valueAt;
};

// Every "label:" of the line that starts on a character boundary, in line order.
void FindLabels(std::string_view line, const GbkLabels& labels, std::vector<Hit>& hits) {
    const char* const data = line.data();
    const std::size_t size = line.size();
    std::size_t pos = 0;
    while (pos < size) {
        // Most of a line is digits and blanks, and every ASCII byte is a character: eight at a time.
        std::uint64_t word;
        while (pos + sizeof word <= size) {
            std::memcpy(&word, data + pos, sizeof word);
            const std::uint64_t high = word & 0x8080'8080'8080'8080u;
            if (high != 0) {
                pos += static_cast<std::size_t>(std::countr_zero(high)) / 8;
                break;
            }
            pos += sizeof word;
        }
        while (pos < size && static_cast<unsigned char>(data[pos]) < 0x80)
            ++pos;
        if (pos == size) break;
        const std::size_t length = GbkCharLength(line, pos);
        // The labels begin with different characters, so at most one begins here.
        int field = -1;
        if (length == 2) {
            for (unsigned candidates = labels.labelsLeadingWith[static_cast<unsigned char>(data[pos])];
                 candidates != 0; candidates &= candidates - 1) {
                const int candidate = std::countr_zero(candidates);
                if (labels.secondBytes[static_cast<std::size_t>(candidate)] == data[pos + 1]) {
                    field = candidate;
                    break;
                }
            }
        }
        if (field >= 0) {
            const auto slot = static_cast<std::size_t>(field);
            const std::string& name = labels.names[slot];
            const std::size_t end = pos + name.size();
            bool same;
            if (pos + sizeof word <= size && name.size() <= sizeof word) {
                std::memcpy(&word, data + pos, sizeof word);
                same = (word & labels.masks[slot]) == labels.words[slot];
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
                    hits.push_back({field, pos, end + colon});
                    // No label ends another, so none starts inside this one and its colon.
                    pos = end + colon;
                    continue;
                }
            }
        }
        pos += length;
    }
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

// The reason a field's value gave, with the label and the value as the line has them.
LineProblem Problem(const char* reason, int field, std::string_view value) {
    return {reason + std::string(msg::kCompletionLabels[field]) + DecodeGbkCharacters(value)};
}

LineProblem Missing(int field) {
    return {kLineMissingLabel + std::string(msg::kCompletionLabels[field])};
}

// UTF-8 of one GBK character, remembered per thread: an archive uses a few hundred distinct characters.
struct Utf8Char {
    std::uint8_t size = 0;  // 0 until known
    char bytes[7];
};

const Utf8Char& Known(std::vector<Utf8Char>& known, std::string_view character) {
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

}  // namespace

std::string BuildReportLine(int number, const CompletionFields& fields) {
    std::string line = std::to_string(number);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        // Three blanks between the machine and the workpiece name, four everywhere else.
        line += i == 1 ? "   " : "    ";
        line += msg::kCompletionLabels[i];
        line += fields[i];
    }
    return line;
}

LineReading ReadReportLine(std::string_view gbkLine) {
    const std::string_view line = Trim(gbkLine);
    if (line.empty()) return BlankLine{};
    const GbkLabels& labels = Labels();
    thread_local std::vector<Hit> hits;  // kept between lines: no allocation once a line has been read
    hits.clear();
    FindLabels(line, labels, hits);

    // The six fields after the names hold times and a number, never a label, so each is the last of its
    // label before the next field; whatever a workpiece name holds then stays inside it.
    std::string_view values[kLabels];
    std::size_t end = line.size();
    std::size_t next = hits.size();  // hits from here on lie at or after end
    for (int field = kAmount; field > kWorkpiece; --field) {
        while (next > 0 && (hits[next - 1].field != field || hits[next - 1].valueAt > end))
            --next;
        if (next == 0) return Missing(field);
        const Hit& found = hits[--next];
        values[field] = Trim(line.substr(found.valueAt, end - found.valueAt));
        end = found.at;
    }
    // The names from the left: the first machine label, then the first workpiece label after it.
    const auto first = [&](int field, std::size_t from) -> const Hit* {
        for (std::size_t i = 0; i < next; ++i) {
            if (hits[i].field == field && hits[i].at >= from && hits[i].valueAt <= end) return &hits[i];
        }
        return nullptr;
    };
    const Hit* machine = first(kMachine, 0);
    if (!machine) return Missing(kMachine);
    const Hit* workpiece = first(kWorkpiece, machine->valueAt);
    if (!workpiece) return Missing(kWorkpiece);

    GbkJob job;
    job.line = line;
    JobFigures& figures = job.figures;
    int* const times[] = {&figures.mount, &figures.start, &figures.jump, &figures.wireBreak, &figures.finish};
    for (int field = kWorkpiece + 1; field < kAmount; ++field) {
        const auto seconds = Seconds(values[field]);
        if (!seconds) return Problem(kLineBadTime, field, values[field]);
        *times[field - 2] = *seconds;
    }
    const auto amount = TryParseIntegerText(values[kAmount]);
    if (!amount) return Problem(kLineBadAmount, kAmount, values[kAmount]);
    if (*amount < 0) return Problem(kLineNegativeAmount, kAmount, values[kAmount]);
    figures.amount = *amount;
    job.machine = Trim(line.substr(machine->valueAt, workpiece->at - machine->valueAt));
    job.workpiece = Trim(line.substr(workpiece->valueAt, end - workpiece->valueAt));
    return job;
}

std::string DecodeGbkCharacters(std::string_view gbk) {
    thread_local std::vector<Utf8Char> known(0x10000 + 0x100);
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

ArchiveJob DecodedJob(const GbkJob& fields) {
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

}  // namespace kerfolio

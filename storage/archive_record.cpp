#include "storage/archive_record.h"

#include <chrono>
#include <cstdio>

namespace kerfolio {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
constexpr std::chrono::sys_days kEpoch = std::chrono::year{1899} / 12 / 30;

std::int64_t FloorDiv(std::int64_t value, std::int64_t by) {
    return value >= 0 ? value / by : (value - by + 1) / by;
}

// Exactly the digits asked for, nothing else.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::string FormatArchiveMoment(std::int64_t second) {
    const std::int64_t day = FloorDiv(second, kSecondsPerDay);
    const std::int64_t intoDay = second - day * kSecondsPerDay;
    const std::chrono::year_month_day date{kEpoch + std::chrono::days{day}};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(intoDay / 3600), static_cast<int>(intoDay / 60 % 60),
                  static_cast<int>(intoDay % 60));
    return text;
}

std::optional<std::int64_t> ParseArchiveMoment(std::string_view text) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':') {
        return std::nullopt;
    }
    const auto y = Digits(text, 0, 4), mo = Digits(text, 5, 2), d = Digits(text, 8, 2);
    const auto h = Digits(text, 11, 2), mi = Digits(text, 14, 2), s = Digits(text, 17, 2);
    if (!y || !mo || !d || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 59) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{*y},
                                           std::chrono::month{static_cast<unsigned>(*mo)},
                                           std::chrono::day{static_cast<unsigned>(*d)}};
    if (!date.ok()) return std::nullopt;
    const std::int64_t day = (std::chrono::sys_days{date} - kEpoch).count();
    return day * kSecondsPerDay + std::int64_t{*h} * 3600 + std::int64_t{*mi} * 60 + *s;
}

std::optional<std::int64_t> ReadArchiveRecord(const SettingsFile& settings) {
    return ParseArchiveMoment(settings.Read(kArchiveRecordSection, kArchiveRecordKey, ""));
}

bool WriteArchiveRecord(SettingsFile& settings, std::int64_t second) {
    return settings.Write(kArchiveRecordSection, kArchiveRecordKey, FormatArchiveMoment(second));
}

std::optional<FolderMount> ReadArchiveMount(const SettingsFile& settings) {
    FolderMount mount{"", settings.Read(kArchiveRecordSection, kArchiveMountTypeKey, ""),
                      settings.Read(kArchiveRecordSection, kArchiveMountDeviceKey, ""),
                      settings.Read(kArchiveRecordSection, kArchiveMountPointKey, "")};
    if (mount.type.empty() || !mount.mountPoint.starts_with('/')) return std::nullopt;
    return mount;
}

bool WriteArchiveMount(SettingsFile& settings, const FolderMount& mount) {
    return settings.WriteMany(kArchiveRecordSection,
                              {{std::string(kArchiveMountTypeKey), mount.type},
                               {std::string(kArchiveMountDeviceKey), mount.device},
                               {std::string(kArchiveMountPointKey), mount.mountPoint}});
}

}  // namespace kerfolio

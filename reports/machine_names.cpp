#include "reports/machine_names.h"

#include <cstdint>

#include "reports/report_line.h"

namespace kerfolio {

MachineNames::MachineNames(std::vector<std::string> prefixes) {
    for (std::string& prefix : prefixes)
        folders_.push_back({std::move(prefix), {}, {}});
}

int MachineNames::OfGbk(std::size_t folder, std::string_view gbk) {
    std::uint32_t hash = 2'166'136'261u;
    for (const char c : gbk)
        hash = (hash ^ static_cast<unsigned char>(c)) * 16'777'619u;
    Recent& recent = recent_[(hash ^ std::uint32_t(folder)) % recent_.size()];
    if (recent.name >= 0 && recent.folder == folder && recent.gbk == gbk) return recent.name;
    auto& known = folders_[folder].gbk;
    const auto found = known.find(gbk);
    const int name = found != known.end() ? found->second : OfText(folder, DecodeGbkCharacters(gbk));
    if (found == known.end()) known.emplace(std::string(gbk), name);
    recent = {std::string(gbk), folder, name};
    return name;
}

int MachineNames::OfText(std::size_t folder, std::string text) {
    auto& known = folders_[folder].text;
    const auto found = known.find(text);
    if (found != known.end()) return found->second;
    const int name = int(recordNames_.size());
    const std::string machine = folders_[folder].prefix + text;
    const auto [number, added] = machineNumbers_.try_emplace(machine, int(machines_.size()));
    if (added) machines_.push_back(machine);
    machineOf_.push_back(number->second);
    recordNames_.push_back(text);
    known.emplace(std::move(text), name);
    return name;
}

}  // namespace kerfolio

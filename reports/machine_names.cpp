#include "reports/machine_names.h"

#include "storage/report_line.h"

namespace kerfolio {

MachineNames::MachineNames(std::vector<std::string> prefixes) {
    for (std::string& prefix : prefixes)
        folders_.push_back({std::move(prefix), {}, {}});
}

int MachineNames::OfGbk(std::size_t folder, std::string_view gbk) {
    auto& known = folders_[folder].gbk;
    const auto found = known.find(gbk);
    if (found != known.end()) return found->second;
    const int name = OfText(folder, DecodeGbkCharacters(gbk));
    known.emplace(std::string(gbk), name);
    return name;
}

int MachineNames::OfText(std::size_t folder, std::string text) {
    auto& known = folders_[folder].text;
    const auto found = known.find(text);
    if (found != known.end()) return found->second;
    const int name = int(recordNames_.size());
    const std::string machine = folders_[folder].prefix + text;
    const auto [number, added] = machineNumbers_.try_emplace(machine, int(machines_.size()));
    if (added) {
        machines_.push_back(machine);
        folderOf_.push_back(folder);
        textOf_.push_back(text);
    }
    machineOf_.push_back(number->second);
    recordNames_.push_back(text);
    known.emplace(std::move(text), name);
    return name;
}

}  // namespace kerfolio

#include "machines/machine_params.h"

#include <utility>
#include <vector>

#include "storage/settings_file.h"

namespace kerfolio {

std::array<std::string*, 7> TMachineParams::Fields() {
    return {&Caption, &Model, &Travel, &Taper, &Tolerance, &Efficiency, &Remarks};
}

std::array<const std::string*, 7> TMachineParams::Fields() const {
    return {&Caption, &Model, &Travel, &Taper, &Tolerance, &Efficiency, &Remarks};
}

char MachineKeyLetter(int machine) {
    return static_cast<char>('a' + (machine - 1));
}

std::string MachineKey(int machine, int digit) {
    return std::string{'a', MachineKeyLetter(machine), static_cast<char>('0' + digit)};
}

TMachineParams ReadMachineParams(const SettingsFile& settings, int machine, std::string_view caption) {
    TMachineParams params;
    const auto fields = params.Fields();
    for (int digit = 1; digit <= 7; ++digit) {
        const std::string_view fallback = digit == 1 ? caption : digit == 6 ? kDefaultEfficiency : "";
        *fields[static_cast<std::size_t>(digit - 1)] =
            settings.Read(kParamsSection, MachineKey(machine, digit), fallback);
    }
    return params;
}

std::string ReadEfficiency(const SettingsFile& settings, int machine) {
    return settings.Read(kParamsSection, MachineKey(machine, 6), kDefaultEfficiency);
}

bool WriteMachineParams(SettingsFile& settings, int machine, const TMachineParams& params) {
    std::vector<std::pair<std::string, std::string>> entries;
    const auto fields = params.Fields();
    for (int digit = 1; digit <= 7; ++digit)
        entries.emplace_back(MachineKey(machine, digit), *fields[static_cast<std::size_t>(digit - 1)]);
    return settings.WriteMany(kParamsSection, entries);
}

}  // namespace kerfolio

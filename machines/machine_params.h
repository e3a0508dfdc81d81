#pragma once

#include <array>
#include <string>
#include <string_view>

#include "storage/save_ini.h"

namespace kerfolio {

class SettingsFile;

// A machine's parameter record. It lives only in the settings file, section "save", keys "a" + the
// machine's letter + the field's digit 1..7; nothing is kept in memory between openings.
struct TMachineParams {
    std::string Caption;     // 1: the name shown on the board
    std::string Model;       // 2
    std::string Travel;      // 3
    std::string Taper;       // 4
    std::string Tolerance;   // 5
    std::string Efficiency;  // 6: square millimetres per minute, read by the estimate
    std::string Remarks;     // 7

    // Fields by digit 1..7.
    std::array<std::string*, 7> Fields();
    std::array<const std::string*, 7> Fields() const;
    bool operator==(const TMachineParams&) const = default;
};

using save_ini::kDefaultEfficiency;
using save_ini::kParamsSection;

// "a" for machine 1 .. "f" for machine 6.
char MachineKeyLetter(int machine);
// Key of field digit 1..7 of machine 1..6, e.g. "ab6".
std::string MachineKey(int machine, int digit);

// The record as stored; a missing key gives the board's current caption, "30" for the efficiency and
// an empty text for the others. A key stored empty reads empty.
TMachineParams ReadMachineParams(const SettingsFile& settings, int machine, std::string_view caption);

// Only the efficiency, read afresh for every estimate.
std::string ReadEfficiency(const SettingsFile& settings, int machine);

// The seven keys in one atomic rewrite of the file, texts exactly as given. False when the file
// system refused it (settings.LastError() says why); the file is then as it was.
bool WriteMachineParams(SettingsFile& settings, int machine, const TMachineParams& params);

}  // namespace kerfolio

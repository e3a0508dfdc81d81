#include "storage/work_snapshot.h"

#include "board/conversion_error.h"
#include "board/integer_text.h"
#include "storage/atomic_file.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/profile_text.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"
#include "storage/shared_file.h"

namespace kerfolio {
namespace {

constexpr std::string_view kSection = save_ini::kSnapshotSection;
constexpr char kJobCountKey[] = "E";

std::string CellKey(int machine, TEventColumn column) {
    return std::to_string(machine) + std::to_string(static_cast<int>(column));
}
std::string MachineKey(char prefix, int machine) {
    return prefix + std::to_string(machine);
}

// A key of section "save", read as the settings file reads it.
std::string ReadKey(std::string_view settingsBytes, std::string_view key, std::string_view defaultValue) {
    return SettingsFile::ReadFrom(settingsBytes, kSection, key, defaultValue);
}

}  // namespace

WorkSnapshot TakeSnapshot(const TJobBoard& board, std::string notePad) {
    WorkSnapshot snapshot;
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        const TMachineRow& row = board.Row(machine);
        SnapshotRow& saved = snapshot.rows[MachineIndex(machine)];
        for (std::size_t i = 0; i < kSnapshotColumns.size(); ++i)
            saved.cells[i] = row.Cell(kSnapshotColumns[i]);
        saved.jumpTotal = row.JumpTotal();
        saved.breakTotal = row.BreakTotal();
        saved.workName = row.WorkName();
        saved.workAmount = row.WorkAmount();
    }
    snapshot.jobCount = board.JobCount();
    snapshot.notePad = std::move(notePad);
    return snapshot;
}

void RestoreSnapshot(const WorkSnapshot& snapshot, TJobBoard& board) {
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        const SnapshotRow& saved = snapshot.rows[MachineIndex(machine)];
        for (std::size_t i = 0; i < kSnapshotColumns.size(); ++i) {
            board.SetCell(machine, kSnapshotColumns[i], saved.cells[i]);
        }
        board.SetJumpTotal(machine, saved.jumpTotal);
        board.SetBreakTotal(machine, saved.breakTotal);
        board.SetWork(machine, saved.workName, saved.workAmount);
    }
    board.SetJobCount(snapshot.jobCount);
}

std::vector<std::pair<std::string, std::string>> SnapshotKeys(const WorkSnapshot& snapshot) {
    std::vector<std::pair<std::string, std::string>> keys;
    keys.reserve(49);
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        for (std::size_t i = 0; i < kSnapshotColumns.size(); ++i) {
            keys.emplace_back(CellKey(machine, kSnapshotColumns[i]),
                              snapshot.rows[MachineIndex(machine)].cells[i]);
        }
    }
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        keys.emplace_back(MachineKey('t', machine), snapshot.rows[MachineIndex(machine)].jumpTotal);
        keys.emplace_back(MachineKey('d', machine), snapshot.rows[MachineIndex(machine)].breakTotal);
    }
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        keys.emplace_back(MachineKey('m', machine), snapshot.rows[MachineIndex(machine)].workName);
    }
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        keys.emplace_back(MachineKey('j', machine), snapshot.rows[MachineIndex(machine)].workAmount);
    }
    keys.emplace_back(kJobCountKey, std::to_string(snapshot.jobCount));
    return keys;
}

std::string NotePadFileBytes(std::string_view notePad) {
    // A stray CR would come back as a line break anyway, so every break is written as CR LF.
    std::string text;
    text.reserve(notePad.size() + notePad.size() / 16);
    for (std::size_t i = 0; i < notePad.size(); ++i) {
        char c = notePad[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < notePad.size() && notePad[i + 1] == '\n') ++i;
            text.append("\r\n");
        } else {
            text.push_back(c);
        }
    }
    return ToGbk(text);
}

std::string NotePadFromFileBytes(std::string_view fileBytes) {
    std::string text = FromGbk(fileBytes);
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.push_back('\n');
        } else {
            lines.push_back(c);
        }
    }
    return lines;
}

SnapshotLoad ParseWorkSnapshot(std::string_view settingsBytes, std::string_view notePadBytes) {
    WorkSnapshot snapshot;
    for (int machine = 1; machine <= kMachineCount; ++machine) {
        SnapshotRow& row = snapshot.rows[MachineIndex(machine)];
        for (std::size_t i = 0; i < kSnapshotColumns.size(); ++i) {
            row.cells[i] = ReadKey(settingsBytes, CellKey(machine, kSnapshotColumns[i]), "");
        }
        row.jumpTotal = ReadKey(settingsBytes, MachineKey('t', machine), kZeroDuration);
        row.breakTotal = ReadKey(settingsBytes, MachineKey('d', machine), kZeroDuration);
        row.workName = ReadKey(settingsBytes, MachineKey('m', machine), "");
        row.workAmount = ReadKey(settingsBytes, MachineKey('j', machine), "");
    }
    try {
        snapshot.jobCount = ParseIntegerText(ReadKey(settingsBytes, kJobCountKey, "0"));
    } catch (const ConversionError& error) {
        return {std::nullopt, error.what()};
    }
    snapshot.notePad = NotePadFromFileBytes(notePadBytes);
    return {std::move(snapshot), {}};
}

std::optional<std::string> SaveWorkSnapshot(const std::filesystem::path& folder,
                                            const WorkSnapshot& snapshot) {
    std::string error;
    if (!WriteDataFile(NotePadPath(folder), NotePadFileBytes(snapshot.notePad), &error)) return error;
    SettingsFile settings(SettingsPath(folder));
    if (!settings.WriteMany(kSection, SnapshotKeys(snapshot))) return settings.LastError();
    return std::nullopt;
}

SnapshotLoad LoadWorkSnapshot(const std::filesystem::path& folder) {
    // A missing save.ini means no key was ever saved: every key takes its default. One that exists but
    // cannot be read must not wipe the board with defaults.
    std::string settingsBytes;
    if (auto failure = ReadFile(SettingsPath(folder), settingsBytes, kMaxSettingsFileBytes)) {
        if (!failure->IsMissing()) return {std::nullopt, std::move(failure->message)};
        settingsBytes.clear();
    }
    std::string error;
    std::string notePadBytes;
    if (!ReadWholeFile(NotePadPath(folder), notePadBytes, &error, kMaxNotePadFileBytes)) {
        return {std::nullopt, error};
    }
    return ParseWorkSnapshot(settingsBytes, notePadBytes);
}

}  // namespace kerfolio

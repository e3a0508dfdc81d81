// Feeds save.ini and temp.sav as files to what start-up reads from them: the options, the archive
// folder and time, the six machine records, the work snapshot and, on the loaded board, every machine's
// finishing estimate. Beyond not crashing, the files read must give what the same bytes give in memory,
// and every estimate must end in a message or an error.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "board/conversion_error.h"
#include "board/estimate.h"
#include "board/stamping.h"
#include "board/time_text.h"
#include "fuzz/fuzz_files.h"
#include "machines/machine_params.h"
#include "storage/data_folder.h"
#include "storage/flags.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"
#include "storage/work_snapshot.h"

namespace {}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const auto [settingsBytes, notePadBytes] =
        kerfolio::fuzz::SettingsAndNotePad({reinterpret_cast<const char*>(bytes), size});
    const std::filesystem::path folder = kerfolio::fuzz::ScratchFolder();
    kerfolio::fuzz::WriteFile(kerfolio::SettingsPath(folder), settingsBytes);
    kerfolio::fuzz::WriteFile(kerfolio::NotePadPath(folder), notePadBytes);

    const kerfolio::SettingsFile settings(kerfolio::SettingsPath(folder));
    if (settings.Read("file", "dir", "nil") !=
        kerfolio::SettingsFile::ReadFrom(settingsBytes, "file", "dir", "nil"))
        std::abort();
    for (const std::string_view box : kerfolio::save_ini::kFlags)
        (void)kerfolio::ReadFlag(settings, box);
    try {
        const double time = kerfolio::ParseTimeText(settings.Read("time", "time1", "0:00:00"));
        if (!(time >= 0 && time < 1)) std::abort();  // a time of day, or refused
    } catch (const kerfolio::ConversionError& error) {
        if (std::string_view(error.what()).empty()) std::abort();
    }

    kerfolio::TJobBoard board;
    board.ResetTotals();
    for (int machine = 1; machine <= kerfolio::kMachineCount; ++machine) {
        const kerfolio::TMachineParams params =
            kerfolio::ReadMachineParams(settings, machine, "机床" + std::to_string(machine));
        for (const std::string* field : params.Fields()) {
            if (field->size() > 3 * kerfolio::SettingsFile::kMaxValueBytes) std::abort();
        }
        board.SetCaption(machine, params.Caption);
    }

    const kerfolio::SnapshotLoad load = kerfolio::LoadWorkSnapshot(folder);
    const kerfolio::SnapshotLoad inMemory = kerfolio::ParseWorkSnapshot(settingsBytes, notePadBytes);
    if (load.snapshot != inMemory.snapshot || load.error != inMemory.error) std::abort();
    if (!load.snapshot) {
        if (load.error.empty()) std::abort();  // a failure must say why
        return 0;
    }
    kerfolio::RestoreSnapshot(*load.snapshot, board);
    for (int machine = 1; machine <= kerfolio::kMachineCount; ++machine) {
        kerfolio::TargetMachine(board, machine);
        const auto outcome = kerfolio::EstimateFinish(board, kerfolio::ReadEfficiency(settings, machine));
        if (!outcome || outcome->message.empty() == outcome->error.empty()) std::abort();
    }
    return 0;
}

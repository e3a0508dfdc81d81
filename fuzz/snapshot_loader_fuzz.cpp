// Feeds arbitrary save.ini and temp.sav bytes to the snapshot loader; a loaded snapshot must also save
// and load again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_files.h"
#include "storage/gbk.h"
#include "storage/profile_text.h"
#include "storage/work_snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const auto [settings, notePad] =
        kerfolio::fuzz::SettingsAndNotePad({reinterpret_cast<const char*>(bytes), size});

    kerfolio::SnapshotLoad load = kerfolio::ParseWorkSnapshot(settings, notePad);
    if (!load.snapshot) {
        if (load.error.empty()) std::abort();  // a failure must say why
        return 0;
    }
    std::string saved(settings);
    for (const auto& [key, value] : kerfolio::SnapshotKeys(*load.snapshot)) {
        saved = kerfolio::SetProfileValue(saved, "save", key, kerfolio::ToGbk(value));
    }
    kerfolio::SnapshotLoad again =
        kerfolio::ParseWorkSnapshot(saved, kerfolio::NotePadFileBytes(load.snapshot->notePad));
    if (!again.snapshot || again.snapshot->jobCount != load.snapshot->jobCount) std::abort();
    return 0;
}

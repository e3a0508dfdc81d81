// Feeds arbitrary save.ini and temp.sav bytes to the snapshot loader; a loaded snapshot must also save
// and load again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/gbk.h"
#include "storage/profile_text.h"
#include "storage/work_snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::string_view data(reinterpret_cast<const char*>(bytes), size);
    // The first two bytes say how much of the rest is save.ini; temp.sav gets what remains.
    std::size_t settingsSize = 0;
    if (data.size() >= 2) {
        settingsSize = static_cast<unsigned char>(data[0]) | (static_cast<unsigned char>(data[1]) << 8);
        data.remove_prefix(2);
    }
    settingsSize = std::min(settingsSize, data.size());
    const std::string_view settings = data.substr(0, settingsSize);
    const std::string_view notePad = data.substr(settingsSize);

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

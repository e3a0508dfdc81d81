#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "live/board_view.h"

namespace kerfolio::live {

// One PC's board as the shared database holds it.
struct OfficePc {
    std::string pcId;
    // When the PC's latest event reached the server, on the office's clock: a PC that stopped sending
    // shows here, whatever its own clock says.
    TDateTime lastArrived = 0;
    std::int64_t secondsSinceLast = 0;
    std::shared_ptr<const View> view;  // its machines in its own local time; null while not heard
    std::string name;                  // as the owner registered it; the id is shown when empty
    bool heard = true;                 // false: registered, but nothing has arrived from it yet
};

// Every PC's machines, taken from the server at one moment. Never changed once built.
struct OfficeView {
    TDateTime now = 0;  // the office's local time
    std::int32_t utcOffsetS = 0;
    std::vector<OfficePc> pcs;
    // Empty when the server answered; else why not. pcs are then the last that were read, at dataAt.
    std::string problem;
    std::optional<TDateTime> dataAt;   // nullopt while nothing was ever read
    std::int64_t unregisteredPcs = 0;  // ids with events but no name, shown as one count
};

// A PC silent this long is marked on the page.
inline constexpr std::int64_t kSilentSeconds = std::int64_t{10} * 60;

}  // namespace kerfolio::live

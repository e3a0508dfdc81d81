#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "live/office_view.h"
#include "share/round_thread.h"

namespace kerfolio::share {

class PgConnection;

// Every registered PC's machines as the server holds them, by the PCs' names: each machine's events
// since it was last emptied (a completed job or a cancel) replayed through the board's own rules, its
// name and efficiency from its latest events, the jobs since the PC's latest archive. unregisteredPcs:
// how many ids sent events without a name, counted only. pcs is left as it was when the server cannot
// be read. nowUtcMs and officeOffsetS: the office's clock.
std::optional<std::string> ReadOfficePcs(PgConnection& conn, std::int64_t nowUtcMs,
                                         std::int32_t officeOffsetS, std::vector<live::OfficePc>& pcs,
                                         std::int64_t& unregisteredPcs);

struct OfficeBoardOptions {
    std::chrono::milliseconds period{2000};     // between two reads of the server
    std::chrono::milliseconds ioTimeout{5000};  // any one wait for the server
    std::function<std::int64_t()> clock;        // the office's time, UTC ms; the system clock when empty
};

// Reads the server on a thread of its own and hands each new office view to publish; the pages are
// served from what it last published, so a slow or absent server never holds a client. While the
// server is away the last good view goes on, marked with the reason.
class OfficeBoard {
  public:
    using Publish = std::function<void(std::shared_ptr<const live::OfficeView>)>;
    OfficeBoard(std::string conninfo, Publish publish, OfficeBoardOptions options = {});
    ~OfficeBoard();  // stops and joins
    OfficeBoard(const OfficeBoard&) = delete;
    OfficeBoard& operator=(const OfficeBoard&) = delete;

    void Start();
    void Stop();

  private:
    void Run();

    const std::string conninfo_;
    const Publish publish_;
    const OfficeBoardOptions options_;
    RoundThread thread_;
};

// kerfolio-report --serve ADDRESS --postgres CONNINFO [--key-file FILE]: the office board until the
// process is ended (SIGINT or SIGTERM). The exit status; 2 for an address or key file that does not read.
int RunOfficeBoard(const std::string& address, const std::string& conninfo,
                   const std::optional<std::filesystem::path>& keyFile, std::ostream& out, std::ostream& err);

}  // namespace kerfolio::share

#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "share/round_thread.h"

namespace kerfolio::share {

class PgConnection;

struct SenderOptions {
    std::chrono::milliseconds poll{1000};        // how often the journal is looked at when all is sent
    std::chrono::milliseconds firstRetry{1000};  // the wait after the first failure, doubled each time
    std::chrono::milliseconds longestRetry{300000};
    std::chrono::milliseconds ioTimeout{20000};  // any one wait for the server
    int batchEvents = 500;
};

// What the window or a board may show. Copied out under a lock; never blocks on the network.
struct SenderStatus {
    std::int64_t pending = 0;                    // events in the journal not yet on the server
    std::optional<std::int64_t> pendingSinceMs;  // the instant of the oldest of them
    std::int64_t sentSeq = 0;
    std::int64_t sentTotal = 0;  // events committed by this sender since it started
    bool connected = false;
    std::string lastError;  // empty once a send succeeded again
    // The last failure an operator must put right rather than wait out (the connection string, a
    // refused login, the tables, this PC's registration); empty once the server took us again. A
    // server that cannot be reached is an outage, never this.
    std::string settingsProblem;
    int failures = 0;  // in a row
};

// Sends one PC's journal to the shared server from a thread of its own, in seq order, each batch in
// one transaction with ON CONFLICT (pc_id, seq) DO NOTHING, so a batch sent twice (the commit went
// through but its answer was lost) changes nothing. The sent mark moves only after the commit.
class Sender {
  public:
    Sender(std::filesystem::path journal, std::string conninfo, SenderOptions options = {});
    ~Sender();  // stops and joins
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    void Start();
    void Stop();
    // Look at the journal now instead of at the next poll.
    void Wake();
    SenderStatus Status() const;

  private:
    void Run();
    // Opens the server, checks its tables and this PC's registration; settings tells a failure the
    // operator must fix from an outage.
    std::optional<std::string> Connect(PgConnection& server, const std::string& pcId, bool& settings);
    void Fail(const std::string& reason, bool settings);

    const std::filesystem::path journal_;
    const std::string conninfo_;
    const SenderOptions options_;
    mutable std::mutex mutex_;  // of status_
    SenderStatus status_;
    RoundThread thread_;
};

// "N events not yet sent since 14:05" in the operator's words; empty when nothing waits.
// utcOffsetSeconds: the PC's offset, for the time of day shown.
std::string LagText(const SenderStatus& status, int utcOffsetSeconds);

// Whether the oldest unsent event is more than an hour older than nowMs: worth one message.
bool LagPastHour(const SenderStatus& status, std::int64_t nowMs);

}  // namespace kerfolio::share

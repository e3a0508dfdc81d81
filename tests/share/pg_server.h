#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace kerfolio::test {

// A real PostgreSQL for one test: initdb into a temporary folder (as the postgres user when the test
// runs as root), listening only on a Unix socket in that folder, password logins only. Stopped and
// removed by the destructor.
class PgServer {
  public:
    static constexpr char kOwner[] = "kerfolio_owner";
    static constexpr char kOwnerPassword[] = "owner-secret";

    PgServer();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool Start();
    void Stop();    // fast shutdown, waits for it
    void Freeze();  // SIGSTOP to the server and all its backends
    void Thaw();

    std::string Conninfo(const std::string& user = kOwner, const std::string& password = kOwnerPassword,
                         const std::string& database = "postgres") const;
    // Runs SQL as the owner through psql; its output (tuples only, unaligned).
    std::string Psql(const std::string& sql, const std::string& database = "postgres") const;
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    std::filesystem::path folder_;
    int port_ = 0;
    pid_t group_ = 0;  // process group of the running server, 0 when stopped
    bool root_ = false;
};

}  // namespace kerfolio::test

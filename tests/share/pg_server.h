#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kerfolio::test {

// A real PostgreSQL for one test: initdb into a temporary folder (as the postgres user when the test
// runs as root), listening only on a Unix socket in that folder, password logins only. Stopped and
// removed by the destructor.
class PgServer {
  public:
    static constexpr char kOwner[] = "kerfolio_owner";
    static constexpr char kOwnerPassword[] = "owner-secret";

    // superuser: the name initdb gives the superuser (its password is kOwnerPassword).
    explicit PgServer(std::string superuser = kOwner);
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    bool Start();
    void Stop();    // fast shutdown, waits for it
    void Freeze();  // SIGSTOP to the server and all its backends
    void Thaw();

    std::string Conninfo(const std::string& user = kOwner, const std::string& password = kOwnerPassword,
                         const std::string& database = "postgres") const;
    // Runs SQL as the superuser through psql; its output (tuples only, unaligned).
    std::string Psql(const std::string& sql, const std::string& database = "postgres") const;
    // Runs a file of SQL as the superuser through psql's standard input, stopping at the first error,
    // with psql's variables ("name=value", each passed as -v); its output and errors.
    std::string PsqlFile(const std::filesystem::path& file, const std::vector<std::string>& variables,
                         const std::string& database = "postgres") const;
    const std::filesystem::path& Folder() const { return folder_; }

  private:
    std::string RunPsql(const std::string& arguments, const std::string& database) const;

    std::string superuser_;
    std::filesystem::path folder_;
    int port_ = 0;
    pid_t group_ = 0;  // process group of the running server, 0 when stopped
    bool root_ = false;
};

}  // namespace kerfolio::test

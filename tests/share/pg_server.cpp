#include "tests/share/pg_server.h"

#include <fcntl.h>
#include <grp.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kerfolio::test {

namespace {

constexpr char kBin[] = "/usr/lib/postgresql/15/bin/";

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string AsServerUser(bool root, const std::string& command) {
    return root ? "runuser -u postgres -- " + command : command;
}

}  // namespace

PgServer::PgServer(std::string superuser) : superuser_(std::move(superuser)) {
    root_ = geteuid() == 0;
    std::string pattern = "/tmp/kpg.XXXXXX";
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    std::mt19937 random(std::random_device{}());
    port_ = std::uniform_int_distribution<int>(20000, 60000)(random);
    std::ofstream(folder_ / "pw") << kOwnerPassword << "\n";
    if (root_) {
        const passwd* pg = getpwnam("postgres");
        if (!pg) throw std::runtime_error("no postgres user");
        for (const auto& p : {folder_, folder_ / "pw"})
            if (chown(p.c_str(), pg->pw_uid, pg->pw_gid) != 0) throw std::runtime_error("chown failed");
    }
    const std::string initdb =
        std::string(kBin) + "initdb -D " + Quoted((folder_ / "data").string()) + " -U " + superuser_ +
        " --auth=scram-sha-256 --pwfile=" + Quoted((folder_ / "pw").string()) +
        " -E UTF8 --locale=C.UTF-8 --no-sync > " + Quoted((folder_ / "initdb.log").string()) + " 2>&1";
    if (std::system(AsServerUser(root_, initdb).c_str()) != 0)
        throw std::runtime_error("initdb failed, see " + (folder_ / "initdb.log").string());
}

PgServer::~PgServer() {
    Thaw();
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

bool PgServer::Start() {
    if (group_) return true;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        const std::string data = (folder_ / "data").string(), socket = folder_.string(),
                          port = std::to_string(port_), log = (folder_ / "server.log").string();
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(out, 1);
        dup2(out, 2);
        const std::string postgres = std::string(kBin) + "postgres";
        // The server refuses to run as root; this process becomes the postgres user itself, so the
        // postmaster is this pid and its group holds every backend.
        if (root_) {
            const passwd* pg = getpwnam("postgres");
            if (!pg || setgroups(0, nullptr) != 0 || setgid(pg->pw_gid) != 0 || setuid(pg->pw_uid) != 0)
                _exit(126);
        }
        std::vector<const char*> argv;
        for (const char* a : {postgres.c_str(), "-D", data.c_str(), "-k", socket.c_str(), "-p", port.c_str(),
                              "-c", "listen_addresses=", "-c", "fsync=off", "-c", "max_connections=60"})
            argv.push_back(a);
        argv.push_back(nullptr);
        execvp(argv[0], const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    group_ = child;
    const std::string conninfo = Conninfo(superuser_);
    for (int i = 0; i < 300; ++i) {
        if (PQping(conninfo.c_str()) == PQPING_OK) return true;
        int status;
        if (waitpid(child, &status, WNOHANG) == child) {
            group_ = 0;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

void PgServer::Stop() {
    if (!group_) return;
    kill(group_, SIGINT);  // the postmaster: a fast shutdown
    int status;
    waitpid(group_, &status, 0);
    group_ = 0;
}

namespace {

// The postmaster and every process it started (each backend runs in a session of its own, so a
// process-group signal would miss them).
void SignalServer(pid_t postmaster, int signal) {
    kill(postmaster, signal);
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // pid (comm) state ppid ...: comm may hold blanks, so read after the last ')'.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state;
        pid_t parent = 0;
        std::istringstream(line.substr(close + 1)) >> state >> parent;
        if (parent == postmaster)
            kill(static_cast<pid_t>(std::stol(entry.path().filename().string())), signal);
    }
}

}  // namespace

void PgServer::Freeze() {
    if (group_) SignalServer(group_, SIGSTOP);
}

void PgServer::Thaw() {
    if (group_) SignalServer(group_, SIGCONT);
}

std::string PgServer::Conninfo(const std::string& user, const std::string& password,
                               const std::string& database) const {
    return "host=" + folder_.string() + " port=" + std::to_string(port_) + " dbname=" + database +
           " user=" + user + " password=" + password;
}

std::string PgServer::Psql(const std::string& sql, const std::string& database) const {
    return RunPsql("-c " + Quoted(sql), database);
}

std::string PgServer::PsqlFile(const std::filesystem::path& file, const std::vector<std::string>& variables,
                               const std::string& database) const {
    std::string arguments;
    for (const std::string& v : variables)
        arguments += "-v " + Quoted(v) + " ";
    return RunPsql(arguments + "< " + Quoted(file.string()), database);
}

std::string PgServer::RunPsql(const std::string& arguments, const std::string& database) const {
    const std::string command = "PGPASSWORD=" + std::string(kOwnerPassword) +
                                " psql -X -q -A -t -v ON_ERROR_STOP=1" + " -h " + Quoted(folder_.string()) +
                                " -p " + std::to_string(port_) + " -U " + Quoted(superuser_) + " -d " +
                                Quoted(database) + " " + arguments + " 2>&1";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        std::size_t got;
        while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            out.append(buffer.data(), got);
        pclose(pipe);
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

}  // namespace kerfolio::test

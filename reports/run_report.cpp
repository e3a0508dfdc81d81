#include "reports/run_report.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <ostream>

#include "board/conversion_error.h"
#include "board/time_text.h"
#include "journal/journal_place.h"
#include "reports/archive_files.h"
#include "reports/csv_writer.h"
#include "reports/html_writer.h"
#include "reports/messages.h"
#include "reports/report.h"
#include "reports/sqlite_writer.h"
#include "reports/table_writer.h"
#include "share/server_journals.h"
#include "storage/atomic_file.h"
#include "storage/data_folder.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"

extern char** environ;

namespace kerfolio {
namespace {

constexpr std::size_t kProgressAbove = 300;
constexpr int kRecentDays = 30;

std::filesystem::path FromEnvironment(const char* name, const std::filesystem::path& fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::filesystem::path(value) : fallback;
}

// The message in the environment's language.
const char* Say(const Environment& environment, const char* english, const char* chinese) {
    return environment.chinese ? chinese : english;
}

bool WriteOutput(const std::filesystem::path& file, const std::function<void(std::ostream&)>& write,
                 const Environment& environment, std::ostream& err) {
    std::string error;
    if (WriteFileAtomically(file, write, &error)) return true;
    err << "kerfolio-report: " << Say(environment, "", "报表无法写入：") << error << "\n";
    return false;
}

// Starts the desktop's opener on file and waits for it; false when it cannot start or fails.
bool OpenFile(const std::string& opener, const std::filesystem::path& file, const Environment& environment,
              std::string& why) {
    std::string fileText = file.string();
    char* argv[] = {const_cast<char*>(opener.c_str()), fileText.data(), nullptr};
    pid_t child = 0;
    const int error = ::posix_spawnp(&child, opener.c_str(), nullptr, nullptr, argv, environ);
    if (error != 0) {
        why = Say(environment, "cannot start ", "无法启动 ") + opener + ": " + std::strerror(error);
        return false;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    why = opener + Say(environment, " failed", " 未能打开报表（没有浏览器？）");
    return false;
}

// Whether writing output would replace what the report reads: the settings file, or a ".txt" file in
// an archive folder (an archive, or a file the next report would take for one).
bool ReplacesInput(const std::filesystem::path& output, const CommandLine& line) {
    std::error_code error;
    if (line.settings && std::filesystem::equivalent(output, *line.settings, error)) return true;
    if (!TxtStem(output.filename().native())) return false;
    const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
    return std::any_of(line.folders.begin(), line.folders.end(), [&](const std::filesystem::path& archive) {
        return std::filesystem::equivalent(folder, archive, error);
    });
}

}  // namespace

Environment ProcessEnvironment() {
    Environment environment;
    std::error_code error;
    environment.exeFolder = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    const std::filesystem::path home = FromEnvironment("HOME", "/");
    environment.userDataFolder = UserDataFolder();
    environment.cacheFolder = FromEnvironment("XDG_CACHE_HOME", home / ".cache") / "Kerfolio";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    environment.today = MakeDay(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday).value_or(Day{});
    environment.progress = ::isatty(STDERR_FILENO) == 1;
    return environment;
}

int RunReport(const CommandLine& given, const Environment& environment, std::ostream& out,
              std::ostream& err) {
    CommandLine line = given;
    if (line.recent) {
        const std::filesystem::path data = FindDataFolder(environment.exeFolder, environment.userDataFolder);
        const std::filesystem::path settings = SettingsPath(data);
        std::error_code error;
        if (!std::filesystem::exists(settings, error)) {
            err << "kerfolio-report: "
                << Say(environment, "no save.ini in the data folder ", "数据文件夹中还没有 save.ini：")
                << data.string() << "\n";
            return 1;
        }
        line.settings = settings;
        line.folders = {SettingsFile(settings).Read(save_ini::kFolderSection, save_ini::kFolderKey,
                                                    save_ini::kFolderDefault)};
        if (const auto journal = journal::JournalPath(data, environment.userDataFolder);
            std::filesystem::exists(journal, error))
            line.journals = {journal};
        line.grouping = Grouping::Day;
        line.to = environment.today;
        line.from = environment.today - std::chrono::days(kRecentDays - 1);
        line.html = environment.cacheFolder / "report.html";
    }

    if (line.settings) {
        // Opening a FIFO would wait for good and a device would never end: neither is a settings file.
        struct stat status {};
        if (::stat(line.settings->c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
            err << "kerfolio-report: " << line.settings->string()
                << Say(environment, " is not a regular file", " 不是普通文件") << "\n";
            return 2;
        }
        // Defaults in place of the settings asked for would date the jobs by the wrong archive time.
        std::string bytes, error;
        if (!ReadWholeFile(*line.settings, bytes, &error)) {
            err << "kerfolio-report: " << error << "\n";
            return 2;
        }
    }

    for (std::size_t i = 0; i < line.folders.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            std::error_code error;
            if (line.folders[i] == line.folders[j] ||
                std::filesystem::equivalent(line.folders[i], line.folders[j], error)) {
                // Read twice, every job would count twice.
                err << "kerfolio-report: the archive folder " << line.folders[j].string()
                    << " is given twice\n";
                return 2;
            }
        }
    }
    for (const auto& [option, output] :
         {std::pair{"--csv", line.csv}, std::pair{"--html", line.html}, std::pair{"--sqlite", line.sqlite}}) {
        if (output && ReplacesInput(*output, line)) {
            err << "kerfolio-report: " << option << " " << output->string()
                << " would replace a file the report reads\n";
            return 2;
        }
    }

    ReportRequest request;
    request.grouping = line.grouping;
    request.from = line.from;
    request.to = line.to;
    request.folders = line.folders;
    request.journals = line.journals;
    if (line.postgres) {
        request.readServer = [conninfo = *line.postgres](std::int64_t fromMs, std::int64_t toMs,
                                                         share::ServerJournals& server) {
            return share::ReadServerJournals(conninfo, fromMs, toMs, server);
        };
    }
    request.dating.format = environment.shortDate;
    request.dating.order = line.dateOrder;
    request.listJobs = line.jobs;
    request.workpiece = line.workpiece.value_or("");
    request.records = ReadMachineRecords(line.settings.value_or(std::filesystem::path()));
    if (line.archiveSecond) {
        request.archiveSecond = *line.archiveSecond;
    } else if (line.settings) {
        const std::string text =
            SettingsFile(*line.settings)
                .Read(save_ini::kTimeSection, save_ini::kTimeKey, save_ini::kTimeDefault);
        try {
            request.archiveSecond = static_cast<int>(std::lround(ParseTimeText(text) * 86'400.0));
        } catch (const ConversionError& conversion) {
            err << "kerfolio-report: " << Say(environment, "the archive time in ", "设置文件 ")
                << line.settings->string() << Say(environment, " does not read (", " 中的存档时刻无法读取（")
                << conversion.what()
                << Say(environment, "); give it with --archive-time", "）；请用 --archive-time 给出") << "\n";
            return 2;
        }
    }
    if (environment.progress) {
        request.progress = [&err](std::size_t done, std::size_t total) {
            if (total <= kProgressAbove || (done % 50 != 0 && done != total)) return;
            err << "\r" << rmsg::kProgress << " " << done << "/" << total << (done == total ? "\n" : "")
                << std::flush;
        };
    }

    bool written = true;
    JobDatabase database;
    if (line.sqlite) {
        std::string why;
        if (database.Open(*line.sqlite, why)) {
            database.SetWholeRun(!line.from && !line.to);
            request.eachJob = [&database](const ReadJob& job) { database.Add(job); };
        } else {
            err << "kerfolio-report: " << why << "\n";
            written = false;
        }
    }

    const Report report = BuildReport(request);
    if (request.eachJob) {
        std::string why;
        if (!database.Commit(report.problems, why)) {
            err << "kerfolio-report: " << line.sqlite->string() << ": " << why
                << "; the database is as it was\n";
            written = false;
        }
    }
    if (!line.recent) WriteTable(report, out);
    if (line.csv) {
        written = WriteOutput(
                      *line.csv, [&](std::ostream& csv) { WriteCsv(report, line.encoding, csv); },
                      environment, err) &&
                  written;
    }
    if (line.html) {
        if (line.recent) {
            std::error_code ignored;  // a folder we cannot make shows as the write's own error
            std::filesystem::create_directories(line.html->parent_path(), ignored);
        }
        written =
            WriteOutput(
                *line.html, [&report](std::ostream& page) { WriteHtml(report, page); }, environment, err) &&
            written;
    }
    if (!written) return 1;
    if (line.recent) {
        out << line.html->string() << "\n";
        std::string why;
        if (!OpenFile(environment.opener, *line.html, environment, why)) {
            err << "kerfolio-report: " << why << Say(environment, "; the report is at ", "；报表在 ")
                << line.html->string() << "\n";
            return 1;
        }
    }
    if (!report.serverError.empty()) {
        // A script must not take the shop's missing PCs for idle ones.
        err << "kerfolio-report: " << Say(environment, "", "共享数据库无法读取：") << report.serverError
            << "\n";
        return 1;
    }
    if (report.foldersUnread > 0) {
        // The report says which and why; a script must not take a missing PC's archive for an idle one.
        err << "kerfolio-report: " << report.foldersUnread
            << Say(environment, " archive folder(s) could not be read", " 个存档文件夹无法读取（见报表末尾）")
            << "\n";
        return 1;
    }
    return 0;
}

}  // namespace kerfolio

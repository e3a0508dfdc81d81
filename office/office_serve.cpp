// kerfolio-report --serve: the office board, served as the live board is.
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <ostream>

#include "live/listen_address.h"
#include "live/live_server.h"
#include "live/messages.h"
#include "live/view_html.h"
#include "live/view_json.h"
#include "office/office_board.h"

namespace kerfolio::share {

namespace {

// The key's first line, without its line end; nullopt when the file cannot be read.
std::optional<std::string> ReadKey(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::string key;
    std::getline(in, key);
    if (!key.empty() && key.back() == '\r') key.pop_back();
    return key;
}

}  // namespace

int RunOfficeBoard(const std::string& address, const std::string& conninfo,
                   const std::optional<std::filesystem::path>& keyFile, std::ostream& out,
                   std::ostream& err) {
    const live::ListenSetting listen = live::ParseListenSetting(address);
    if (!listen.address) {
        err << "kerfolio-report: " << (listen.error.empty() ? live::msg::kBadAddress : listen.error) << "\n";
        return 2;
    }
    std::string key;
    // A key file named but not read, or empty (as "--key-file $UNSET" gives), is no board open to all.
    if (keyFile) {
        const auto read = ReadKey(*keyFile);
        if (!read || read->empty()) {
            err << "kerfolio-report: 无法读取访问密钥文件：" << keyFile->string() << "\n";
            return 2;
        }
        key = *read;
    }

    // The signals that end the board are taken by this thread alone, so every thread started below
    // leaves them to it.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    live::LiveServer server(std::move(key));
    if (const auto problem = server.Start(*listen.address)) {
        err << "kerfolio-report: " << listen.address->text << "：" << *problem << "\n";
        return 1;
    }
    OfficeBoard board(conninfo, [&server](const std::shared_ptr<const live::OfficeView>& view) {
        server.PublishPages(std::make_shared<const live::Pages>(
            live::Pages{live::RenderOfficeJson(*view), live::RenderOfficeHtml(*view)}));
    });
    board.Start();
    out << "kerfolio-report: 全厂看板在 " << listen.address->host << ":" << server.Port()
        << " 上，按 Ctrl+C 结束\n"
        << std::flush;
    int signal = 0;
    sigwait(&ending, &signal);
    board.Stop();
    server.Stop();
    return 0;
}

}  // namespace kerfolio::share

#include "app/live_publisher.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <cmath>

#include "app/clock.h"
#include "board/job_board.h"
#include "live/board_view.h"
#include "live/live_server.h"
#include "live/messages.h"
#include "machines/machine_params.h"
#include "storage/data_folder.h"
#include "storage/gbk.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

using save_ini::kWebSection;

}  // namespace

LivePublisher::LivePublisher(const std::filesystem::path& dataFolder,
                             const std::filesystem::path& journalFile, const TJobBoard& board,
                             QPlainTextEdit* notePad, const Clock& clock, QObject* parent)
    : QObject(parent),
      settingsPath_(SettingsPath(dataFolder)),
      board_(board),
      notePad_(notePad),
      clock_(clock),
      journal_(journalFile) {}

LivePublisher::~LivePublisher() = default;

QString LivePublisher::Start() {
    const SettingsFile settings(settingsPath_);
    const std::string listen = settings.Read(kWebSection, save_ini::kWebListenKey, "");
    const live::ListenSetting setting = live::ParseListenSetting(listen);
    const auto message = [&](const std::string& reason) {
        return QString::fromUtf8(live::msg::kCannotListen)
            .arg(QString::fromStdString(listen).trimmed(), QString::fromStdString(reason));
    };
    if (!setting.error.empty()) return message(setting.error);
    if (!setting.address) return {};

    std::string key = settings.Read(kWebSection, save_ini::kWebAccessKey, "");
    // Values are read up to 99 bytes, never half a character: a key of 98 or more may have been cut,
    // and the cut key would be asked of browsers that carry the whole one. Refused rather than served
    // on a key nobody wrote.
    if (ToGbk(key).size() + 1 >= SettingsFile::kMaxValueBytes) return message(live::msg::kKeyTooLong);
    auto server = std::make_unique<live::LiveServer>(std::move(key));
    if (const auto error = server->Start(*setting.address)) return message(*error);
    server_ = std::move(server);

    // Several changes from one click (a finished job empties three cells) make one view.
    deferred_ = new QTimer(this);
    deferred_->setSingleShot(true);
    deferred_->setInterval(0);
    connect(deferred_, &QTimer::timeout, this, &LivePublisher::Publish);
    connect(notePad_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { NotePadChanged(position); });
    NotePadChanged(0);
    return {};
}

int LivePublisher::Port() const {
    return server_ ? server_->Port() : 0;
}

void LivePublisher::BoardChanged() {
    if (deferred_ && !deferred_->isActive()) deferred_->start();
}

void LivePublisher::NotePadChanged(int position) {
    // Only the lines from the one that changed are read again: an appended line costs that line.
    const QTextDocument* document = notePad_->document();
    QTextBlock block = document->findBlock(position);
    if (!block.isValid()) block = document->lastBlock();
    const int first = block.blockNumber();
    std::vector<std::string> lines;
    for (; block.isValid(); block = block.next())
        lines.push_back(block.text().toStdString());
    reader_.Replace(static_cast<std::size_t>(first), lines);
    today_ = std::make_shared<const live::TodayJobs>(reader_.Jobs());
    BoardChanged();
}

void LivePublisher::Publish() {
    if (!server_) return;
    RefreshEfficiencies();
    const ClockReading reading = clock_.Read();
    const TDateTime now = reading.local;
    // The jobs as the journal took them, while it holds every one the NotePad lists.
    auto today = journal_.Jobs(today_ ? today_->jobs.size() : 0);
    server_->Publish(live::BuildView(board_, efficiencies_, today ? today : today_, now,
                                     reading.stamp.offsetS, shareLag_ ? shareLag_() : std::string()));
}

void LivePublisher::RefreshEfficiencies() {
    // Only a look at the file's time each tick; it is read again, through the reader that takes
    // nothing but a regular file of sensible size, when it has changed.
    std::error_code error;
    std::filesystem::file_time_type stamp{};
    if (std::filesystem::is_regular_file(settingsPath_, error)) {
        stamp = std::filesystem::last_write_time(settingsPath_, error);
    }
    if (efficienciesRead_ && stamp == efficienciesStamp_) return;
    efficienciesRead_ = true;
    efficienciesStamp_ = stamp;
    const SettingsFile settings(settingsPath_);
    for (int m = 1; m <= kMachineCount; ++m)
        efficiencies_[static_cast<std::size_t>(m - 1)] = ReadEfficiency(settings, m);
}

}  // namespace kerfolio

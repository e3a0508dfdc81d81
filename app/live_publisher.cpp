#include "app/live_publisher.h"

#include <QDateTime>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <cmath>
#include <fstream>
#include <sstream>

#include "app/clock.h"
#include "board/job_board.h"
#include "live/board_view.h"
#include "live/live_server.h"
#include "live/messages.h"
#include "machines/machine_params.h"
#include "storage/data_folder.h"
#include "storage/save_ini.h"
#include "storage/settings_file.h"

namespace kerfolio {
namespace {

using save_ini::kWebSection;

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The PC's offset from UTC at the local time now.
int UtcOffsetMinutes(TDateTime now) {
    const DayAndMs split = SplitDateTime(now);
    const QDateTime local(QDate(1899, 12, 30).addDays(split.day),
                          QTime::fromMSecsSinceStartOfDay(static_cast<int>(split.ms)));
    return local.offsetFromUtc() / 60;
}

}  // namespace

LivePublisher::LivePublisher(const std::filesystem::path& dataFolder, const TJobBoard& board,
                             QPlainTextEdit* notePad, const Clock& clock, QObject* parent)
    : QObject(parent),
      settingsPath_(SettingsPath(dataFolder)),
      board_(board),
      notePad_(notePad),
      clock_(clock) {}

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

    auto server = std::make_unique<live::LiveServer>(settings.Read(kWebSection, save_ini::kWebAccessKey, ""));
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
    // The efficiencies as the estimate reads them, from one reading of the settings file.
    const std::string settings = FileBytes(settingsPath_);
    std::array<std::string, kMachineCount> efficiencies;
    for (int m = 1; m <= kMachineCount; ++m) {
        efficiencies[m - 1] =
            SettingsFile::ReadFrom(settings, kParamsSection, MachineKey(m, 6), kDefaultEfficiency);
    }
    const TDateTime now = clock_.Now();
    server_->Publish(live::BuildView(board_, efficiencies, today_, now, UtcOffsetMinutes(now)));
}

}  // namespace kerfolio

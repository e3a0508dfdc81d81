#include "app/share_link.h"

#include <QDateTime>
#include <QTimer>

#include "app/messages.h"
#include "share/sender.h"
#include "share/share_settings.h"
#include "storage/utc_offset.h"

namespace kerfolio {

ShareLink::ShareLink(const std::filesystem::path& dataFolder, const std::filesystem::path& journalFile,
                     Messages& messages, QObject* parent)
    : QObject(parent), messages_(messages) {
    const share::ShareSettings settings = share::ReadShareSettings(dataFolder);
    if (settings.problem) {
        // Told once; the program and its journal go on without sharing.
        QTimer::singleShot(
            0, this, [this, text = QString::fromStdString(*settings.problem)] { messages_.Error(text); });
        return;
    }
    if (settings.conninfo.empty()) return;
    sender_ = std::make_unique<share::Sender>(journalFile, settings.conninfo);
    sender_->Start();
    // Often enough that a refused login or a wrong string is said within seconds of start-up; reading
    // the status never waits for the server.
    auto* timer = new QTimer(this);
    timer->setInterval(2000);
    connect(timer, &QTimer::timeout, this, &ShareLink::Check);
    timer->start();
}

ShareLink::~ShareLink() = default;  // the sender's destructor ends its thread

QString ShareLink::LagText() const {
    if (!sender_) return {};
    return QString::fromStdString(
        share::LagText(sender_->Status(), UtcOffsetS(QDateTime::currentSecsSinceEpoch())));
}

void ShareLink::Check() {
    const share::SenderStatus status = sender_->Status();
    // Each settings problem once: the sender goes on trying, the operator need not be told again.
    if (!status.settingsProblem.empty() && status.settingsProblem != toldProblem_) {
        toldProblem_ = status.settingsProblem;
        messages_.Error(QString::fromStdString(toldProblem_));
    }
    if (status.pending == 0) toldLag_ = false;
    if (toldLag_ || !share::LagPastHour(status, QDateTime::currentMSecsSinceEpoch())) return;
    toldLag_ = true;
    QString text = LagText();
    if (!status.lastError.empty()) text += QStringLiteral("\n") + QString::fromStdString(status.lastError);
    messages_.Information(text);
}

}  // namespace kerfolio

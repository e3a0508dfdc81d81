#include "app/share_link.h"

#include <QDateTime>
#include <QTimer>

#include "app/messages.h"
#include "share/sender.h"
#include "share/share_settings.h"

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
    auto* timer = new QTimer(this);
    timer->setInterval(10000);
    connect(timer, &QTimer::timeout, this, &ShareLink::Check);
    timer->start();
}

ShareLink::~ShareLink() = default;  // the sender's destructor ends its thread

QString ShareLink::LagText() const {
    if (!sender_) return {};
    return QString::fromStdString(
        share::LagText(sender_->Status(), QDateTime::currentDateTime().offsetFromUtc()));
}

void ShareLink::Check() {
    const share::SenderStatus status = sender_->Status();
    if (status.pending == 0) toldLag_ = false;
    if (toldLag_ || !share::LagPastHour(status, QDateTime::currentMSecsSinceEpoch())) return;
    toldLag_ = true;
    QString text = LagText();
    if (!status.lastError.empty()) text += QStringLiteral("\n") + QString::fromStdString(status.lastError);
    messages_.Information(text);
}

}  // namespace kerfolio

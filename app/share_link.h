#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>

namespace kerfolio {

class Messages;
namespace share {
class Sender;
}

// Sends this PC's journal to the shared database when save.ini's [share] asks for it. The sending
// runs on a thread of its own; the window only reads its status now and then, says once each
// problem of the settings, the login or the tables that the sender met (from its first connection,
// made at start-up), and once when the backlog grows older than an hour.
class ShareLink : public QObject {
    Q_OBJECT
  public:
    ShareLink(const std::filesystem::path& dataFolder, const std::filesystem::path& journalFile,
              Messages& messages, QObject* parent);
    ~ShareLink() override;

    // "N events not yet sent since 14:05", empty when all is sent or sharing is off.
    QString LagText() const;

  private:
    void Check();

    Messages& messages_;
    std::unique_ptr<share::Sender> sender_;
    bool toldLag_ = false;
    std::string toldProblem_;
};

}  // namespace kerfolio

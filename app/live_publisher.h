#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "board/job_board.h"
#include "live/journal_today.h"
#include "live/today_jobs.h"

class QPlainTextEdit;
class QTimer;

namespace kerfolio {

class Clock;
class TJobBoard;

namespace live {
class LiveServer;
struct TodayJobs;
}  // namespace live

// Hands the live board's server a fresh view of the board, the NotePad and the time, from the window's
// thread. Switched on only by the settings file's [web] listen key, read once at the start; off, it reads
// nothing after the start and nothing listens.
class LivePublisher : public QObject {
    Q_OBJECT
  public:
    LivePublisher(const std::filesystem::path& dataFolder, const std::filesystem::path& journalFile,
                  const TJobBoard& board, QPlainTextEdit* notePad, const Clock& clock, QObject* parent);
    ~LivePublisher() override;

    // Starts the server when the settings ask for it. The error box's text when they ask for an address
    // that cannot be used; empty otherwise (the program runs on without the page either way).
    QString Start();
    // The port listened on; 0 when off.
    int Port() const;

    // A cell or caption changed: published once the rule that changed it is done.
    void BoardChanged();
    // A new view now, as at every clock tick.
    void Publish();
    // Where the page learns how far the shared database is behind ("N events not yet sent since 14:05",
    // empty when nothing waits). Asked at every view; must not wait for the network.
    void SetShareLag(std::function<std::string()> lag) { shareLag_ = std::move(lag); }

  private:
    void NotePadChanged(int position);
    // The machines' efficiencies, read again only when the settings file has changed.
    void RefreshEfficiencies();

    std::filesystem::path settingsPath_;
    const TJobBoard& board_;
    QPlainTextEdit* notePad_;
    const Clock& clock_;
    std::unique_ptr<live::LiveServer> server_;
    QTimer* deferred_ = nullptr;
    live::TodayJobsReader reader_;
    live::JournalTodayJobs journal_;
    std::shared_ptr<const live::TodayJobs> today_;
    std::array<std::string, kMachineCount> efficiencies_;
    std::filesystem::file_time_type efficienciesStamp_{};
    bool efficienciesRead_ = false;
    std::function<std::string()> shareLag_;
};

}  // namespace kerfolio

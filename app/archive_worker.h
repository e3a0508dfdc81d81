#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kerfolio {

// Runs one piece of archive file work at a time on a thread of its own, so a share that hangs or a
// slow disk never stops the window. The window is told on its own thread when the work has ended.
class ArchiveWorker : public QObject {
  public:
    // The work returns nullopt on success, else the text for the error box.
    using Work = std::function<std::optional<std::string>()>;
    using Outcome = std::optional<std::string>;

    ArchiveWorker(std::function<void()> ended, QObject* parent);
    // Waits a little for work still running, then leaves it behind: the process may end.
    ~ArchiveWorker() override;

    bool Busy() const { return run_ != nullptr; }  // started and its outcome not yet taken
    void Start(Work work);                         // only when not busy
    // True once the work has ended, waiting at most limit.
    bool Wait(std::chrono::milliseconds limit);
    // The outcome of ended work, once; nothing while it runs or when there was none.
    std::optional<Outcome> Take();

  private:
    struct Run;
    std::shared_ptr<Run> run_;
    std::function<void()> ended_;
};

}  // namespace kerfolio

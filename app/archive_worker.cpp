#include "app/archive_worker.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace kerfolio {

struct ArchiveWorker::Run {
    std::mutex mutex;
    std::condition_variable endedSignal;
    bool ended = false;
    Outcome outcome;
    ArchiveWorker* owner = nullptr;  // cleared when the worker goes, under mutex
};

ArchiveWorker::ArchiveWorker(std::function<void()> ended, QObject* parent)
    : QObject(parent), ended_(std::move(ended)) {}

ArchiveWorker::~ArchiveWorker() {
    if (!run_) return;
    Wait(std::chrono::seconds(10));
    const std::lock_guard lock(run_->mutex);
    run_->owner = nullptr;
}

void ArchiveWorker::Start(Work work) {
    run_ = std::make_shared<Run>();
    run_->owner = this;
    std::thread([run = run_, work = std::move(work)] {
        Outcome outcome;
        try {
            outcome = work();
        } catch (const std::exception& error) {
            outcome = error.what();
        }
        const std::lock_guard lock(run->mutex);
        run->outcome = std::move(outcome);
        run->ended = true;
        // Posted while the owner cannot go away; Qt drops it if the owner is deleted before delivery.
        if (ArchiveWorker* owner = run->owner) {
            QMetaObject::invokeMethod(
                owner, [owner] { owner->ended_(); }, Qt::QueuedConnection);
        }
        run->endedSignal.notify_all();
    }).detach();
}

bool ArchiveWorker::Wait(std::chrono::milliseconds limit) {
    if (!run_) return true;
    std::unique_lock lock(run_->mutex);
    return run_->endedSignal.wait_for(lock, limit, [this] { return run_->ended; });
}

std::optional<ArchiveWorker::Outcome> ArchiveWorker::Take() {
    if (!run_) return std::nullopt;
    std::unique_lock lock(run_->mutex);
    if (!run_->ended) return std::nullopt;
    Outcome outcome = std::move(run_->outcome);
    lock.unlock();
    run_.reset();
    return outcome;
}

}  // namespace kerfolio

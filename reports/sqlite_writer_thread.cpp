// The job database's writer thread: the reading thread fills a batch, hands it over and fills the next,
// at most two waiting, so a run's memory stays that of three batches however many jobs it has.
#include "reports/sqlite_writer.h"

namespace kerfolio {
namespace {

constexpr std::size_t kHandedAtMost = 2;

}  // namespace

void JobDatabase::Hand() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return handed_.size() < kHandedAtMost; });
    handed_.push_back(std::move(filling_));
    if (spare_.empty()) {
        filling_ = Batch{};
        filling_.jobs.reserve(kBatchJobs);
    } else {
        filling_ = std::move(spare_.back());
        spare_.pop_back();
    }
    if (!writer_.joinable()) writer_ = std::thread([this] { WriteHanded(); });
    changed_.notify_all();
}

void JobDatabase::WriteHanded() {
    for (;;) {
        Batch batch;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !handed_.empty() || finishing_; });
            if (handed_.empty()) return;
            batch = std::move(handed_.front());
            handed_.pop_front();
        }
        changed_.notify_all();
        Write(batch);
        // Cleared, not freed: the next batch is filled without growing its vectors again.
        batch.jobs.clear();
        batch.parts.clear();
        batch.names.clear();
        const std::lock_guard lock(mutex_);
        spare_.push_back(std::move(batch));
    }
}

void JobDatabase::FinishWriting() {
    if (writer_.joinable()) {
        if (!filling_.jobs.empty()) Hand();
        {
            const std::lock_guard lock(mutex_);
            finishing_ = true;
        }
        changed_.notify_all();
        writer_.join();
    } else if (!filling_.jobs.empty()) {
        Write(filling_);  // a run of less than a batch needs no thread
    }
    filling_ = Batch{};
}

}  // namespace kerfolio

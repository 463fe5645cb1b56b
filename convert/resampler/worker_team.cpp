#include "convert/resampler/worker_team.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#include "convert/resampler/cpu_budget.h"

namespace sonaro {

namespace {

std::atomic<unsigned> conversionsAtOnce{1};

}  // namespace

unsigned WorkerTeam::DefaultSize() {
    return std::clamp(AvailableCpus() / std::max(conversionsAtOnce.load(), 1U), 1U, 16U);
}

void WorkerTeam::ShareCpusAmong(unsigned conversions) {
    conversionsAtOnce.store(conversions);
}

WorkerTeam::WorkerTeam(unsigned threads) {
    const unsigned wanted = threads == 0 ? DefaultSize() : threads;
    for (unsigned i = 1; i < wanted; ++i) {
        try {
            workers_.emplace_back([this, i] { WorkerLoop(i); });
        } catch (const std::system_error&) {
            break;  // the threads already started do the work
        }
    }
}

WorkerTeam::~WorkerTeam() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        published_.fetch_add(1, std::memory_order_release);  // ends any spin at once
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void WorkerTeam::ForEach(std::size_t count, const std::function<void(std::size_t)>& task) {
    if (count == 0) {
        return;
    }
    if (workers_.empty()) {
        for (std::size_t item = 0; item < count; ++item) {
            task(item);
        }
        return;
    }
    const std::uint64_t generation = Publish(count, task, false);
    Work(generation, count, task);
    WaitUntilDone(count);
}

void WorkerTeam::OnEach(const std::function<void(std::size_t)>& task) {
    if (!workers_.empty()) {
        Publish(workers_.size(), task, true);
    }
    task(0);
    if (!workers_.empty()) {
        WaitUntilDone(workers_.size());
    }
}

std::uint64_t WorkerTeam::Publish(std::size_t count, const std::function<void(std::size_t)>& task,
                                  bool pinned) {
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(mutex_);
        generation = ++generation_;
        count_ = count;
        task_ = &task;
        pinned_ = pinned;
        done_.store(0, std::memory_order_relaxed);
        claim_.store(generation << kItemBits, std::memory_order_release);
        published_.store(generation, std::memory_order_release);
    }
    wake_.notify_all();
    return generation;
}

void WorkerTeam::WaitUntilDone(std::size_t count) {
    // Items taken by other threads may still run; they are short, so spin a while first: waking
    // a thread that sleeps takes tens of microseconds on a virtual machine.
    const auto until = Clock::now() + kSpinTime;
    do {
        for (int i = 0; i < 64; ++i) {
            if (done_.load(std::memory_order_acquire) == count) {
                return;
            }
            __builtin_ia32_pause();
        }
    } while (Clock::now() < until);
    for (std::size_t seen = done_.load(std::memory_order_acquire); seen != count;
         seen = done_.load(std::memory_order_acquire)) {
        done_.wait(seen, std::memory_order_acquire);
    }
}

void WorkerTeam::Work(std::uint64_t generation, std::size_t count,
                      const std::function<void(std::size_t)>& task) {
    const std::uint64_t tag = generation << kItemBits;
    std::uint64_t claim = claim_.load(std::memory_order_acquire);
    for (;;) {
        const std::uint64_t item = claim - tag;
        if ((claim >> kItemBits) != (tag >> kItemBits) || item >= count) {
            return;  // a newer job, or none of this one left
        }
        if (!claim_.compare_exchange_weak(claim, claim + 1, std::memory_order_acq_rel)) {
            continue;
        }
        task(static_cast<std::size_t>(item));
        if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == count) {
            done_.notify_one();
        }
        claim = claim_.load(std::memory_order_acquire);
    }
}

void WorkerTeam::SpinFor(std::uint64_t seen) const {
    const auto until = Clock::now() + kSpinTime;
    do {
        for (int i = 0; i < 64; ++i) {
            if (published_.load(std::memory_order_acquire) != seen) {
                return;
            }
            __builtin_ia32_pause();
        }
    } while (Clock::now() < until);
}

void WorkerTeam::WorkerLoop(std::size_t index) {
    std::uint64_t seen = 0;
    for (;;) {
        SpinFor(seen);
        std::size_t count = 0;
        const std::function<void(std::size_t)>* task = nullptr;
        bool pinned = false;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) {
                return;
            }
            seen = generation_;
            count = count_;
            task = task_;
            pinned = pinned_;
        }
        if (!pinned) {
            Work(seen, count, *task);
        } else {
            (*task)(index);
            if (done_.fetch_add(1, std::memory_order_acq_rel) + 1 == count) {
                done_.notify_one();
            }
        }
    }
}

}  // namespace sonaro

#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sonaro {

// A few threads that share out the items of one job with the calling thread. Items are taken one
// at a time from a common counter, so a thread that the system keeps waiting simply takes fewer;
// the caller works too and returns only when every item is done. Between jobs the workers spin
// briefly, then sleep. When the others made a job slower than the caller alone (on a busy
// machine, a worker held an item while the system ran something else), the caller does the next
// jobs alone. Which thread runs an item never changes what the item does.
class WorkerTeam {
  public:
    // A team of that many threads, the calling one included (0: one per processor core). Fewer
    // are used when the system refuses to start more.
    explicit WorkerTeam(unsigned threads = 0);
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;

    unsigned size() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Calls task(item) once for each item in [0, count), on any thread of the team. The task must
    // not throw.
    void ForEach(std::size_t count, const std::function<void(std::size_t)>& task);

    // The threads a team of 0 gets: the processor cores, at most 16.
    static unsigned DefaultSize();

  private:
    // A claim is the job's generation in the high half and the next item in the low half, so a
    // worker still holding an old job can never take an item of a new one.
    static constexpr int kItemBits = 32;
    // Jobs done by the caller alone after the others made one slower.
    static constexpr int kSoloJobs = 64;
    // The least work of the caller's in a job by which the others are judged.
    static constexpr auto kJudgedWork = std::chrono::microseconds(200);
    using Clock = std::chrono::steady_clock;

    void WorkerLoop();
    // Waits a short while, without sleeping, for a job newer than seen: waking a sleeping thread
    // takes longer than the gap between two jobs of a stage.
    void SpinFor(std::uint64_t seen) const;
    // Runs items of the job of that generation until none is left; answers how many it ran.
    std::size_t Work(std::uint64_t generation, std::size_t count,
                     const std::function<void(std::size_t)>& task);
    void WaitUntilDone(std::size_t count);

    std::vector<std::thread> workers_;
    int solo_ = 0;  // jobs the caller still does alone
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::uint64_t generation_ = 0;                            // guarded by mutex_
    std::size_t count_ = 0;                                   // guarded by mutex_
    const std::function<void(std::size_t)>* task_ = nullptr;  // guarded by mutex_
    std::atomic<std::uint64_t> published_{0};  // generation_, for the spinning workers
    std::atomic<std::uint64_t> claim_{0};
    std::atomic<std::size_t> done_{0};
};

}  // namespace sonaro

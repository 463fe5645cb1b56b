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
// at a time from a common counter, in their order, so a thread that the system keeps waiting
// simply takes fewer; the caller works too and returns only when every item is done. Between
// jobs the workers spin briefly, then sleep. Which thread runs an item never changes what the
// item does.
class WorkerTeam {
  public:
    // A team of that many threads, the calling one included (0: DefaultSize()). Fewer are used
    // when the system refuses to start more.
    explicit WorkerTeam(unsigned threads = 0);
    ~WorkerTeam();
    WorkerTeam(const WorkerTeam&) = delete;
    WorkerTeam& operator=(const WorkerTeam&) = delete;

    unsigned size() const { return static_cast<unsigned>(workers_.size()) + 1; }

    // Calls task(item) once for each item in [0, count), on any thread of the team. The task must
    // not throw.
    void ForEach(std::size_t count, const std::function<void(std::size_t)>& task);
    // Calls task(i) once on each thread i of the team, the calling thread being 0, for work that
    // needs every thread at once (threads that wait for one another). The task must not throw.
    void OnEach(const std::function<void(std::size_t)>& task);

    // The threads a team of 0 gets: its share of the processors the process may use (see
    // AvailableCpus), at least 1 and at most 16.
    static unsigned DefaultSize();
    // That many conversions run at once in this process and share the processors.
    static void ShareCpusAmong(unsigned conversions);

  private:
    // A claim is the job's generation in the high half and the next item in the low half, so a
    // worker still holding an old job can never take an item of a new one.
    static constexpr int kItemBits = 32;
    using Clock = std::chrono::steady_clock;
    // How long a thread that waits for a job, or for the last items of one, spins before it
    // sleeps.
    static constexpr auto kSpinTime = std::chrono::microseconds(300);

    void WorkerLoop(std::size_t index);
    // Hands a job to the workers and answers its generation.
    std::uint64_t Publish(std::size_t count, const std::function<void(std::size_t)>& task,
                          bool pinned);
    // Waits a short while, without sleeping, for a job newer than seen: waking a sleeping thread
    // takes longer than the gap between two jobs of a stage.
    void SpinFor(std::uint64_t seen) const;
    // Runs items of the job of that generation until none is left.
    void Work(std::uint64_t generation, std::size_t count,
              const std::function<void(std::size_t)>& task);
    void WaitUntilDone(std::size_t count);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::uint64_t generation_ = 0;                            // guarded by mutex_
    std::size_t count_ = 0;                                   // guarded by mutex_
    const std::function<void(std::size_t)>* task_ = nullptr;  // guarded by mutex_
    bool pinned_ = false;                      // guarded by mutex_: each worker runs its own item
    std::atomic<std::uint64_t> published_{0};  // generation_, for the spinning workers
    std::atomic<std::uint64_t> claim_{0};
    std::atomic<std::size_t> done_{0};
};

}  // namespace sonaro

#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace sonaro {

// A file that one stage writes while the next one reads it, each on a thread of its own. The
// writer tells when the file exists and how many frames (and bytes) it will hold, then how far it
// has grown,
// then that it ended (done, failed or stopped); the reader waits until what it reads is there, and
// can ask the writer to stop.
class GrowingFile {
  public:
    // The writer's side.
    void Created(std::uint32_t frames, std::uint64_t bytes);
    void Grew(std::uint64_t bytes);
    void Ended(bool complete);
    bool StopAsked() const { return stopAsked_.load(std::memory_order_acquire); }

    // The reader's side. Waits until the file exists: the frames it will hold, or nothing when
    // the writer ended before it made the file.
    std::optional<std::uint32_t> AwaitCreated();
    // Waits until the file holds bytes bytes, or the writer ended.
    void AwaitBytes(std::uint64_t bytes);
    // Waits until the file exists: the bytes it will hold (0 when the writer ended first).
    std::uint64_t PromisedBytes();
    // True once the writer ended without completing the file.
    bool WriterFailed() const;
    // Asks the writer to stop; answers whether it had ended already.
    bool AskToStop();

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<std::uint32_t> frames_;  // guarded by mutex_
    std::uint64_t promised_ = 0;           // guarded by mutex_: bytes
    bool ended_ = false;                   // guarded by mutex_
    bool complete_ = false;                // guarded by mutex_
    std::atomic<std::uint64_t> bytes_{0};
    std::atomic<bool> stopAsked_{false};
};

}  // namespace sonaro

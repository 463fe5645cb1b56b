#include "convert/stages/growing_file.h"

namespace sonaro {

void GrowingFile::Created(std::uint32_t frames, std::uint64_t bytes) {
    {
        std::lock_guard lock(mutex_);
        frames_ = frames;
        promised_ = bytes;
    }
    changed_.notify_all();
}

void GrowingFile::Grew(std::uint64_t bytes) {
    {
        // Under the lock, so that a reader between its check and its wait cannot miss it.
        std::lock_guard lock(mutex_);
        bytes_.store(bytes, std::memory_order_release);
    }
    changed_.notify_all();
}

void GrowingFile::Ended(bool complete) {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        complete_ = complete;
    }
    changed_.notify_all();
}

std::optional<std::uint32_t> GrowingFile::AwaitCreated() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return frames_ || ended_; });
    return frames_;
}

std::uint64_t GrowingFile::PromisedBytes() {
    const bool created = AwaitCreated().has_value();
    std::lock_guard lock(mutex_);
    return created ? promised_ : 0;
}

void GrowingFile::AwaitBytes(std::uint64_t bytes) {
    if (bytes_.load(std::memory_order_acquire) >= bytes) {
        return;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ended_ || bytes_.load(std::memory_order_acquire) >= bytes; });
}

bool GrowingFile::WriterFailed() const {
    std::lock_guard lock(mutex_);
    return ended_ && !complete_;
}

bool GrowingFile::AskToStop() {
    stopAsked_.store(true, std::memory_order_release);
    std::lock_guard lock(mutex_);
    return ended_;
}

}  // namespace sonaro

#include "import/decoder_starter.h"

#include <new>

#include "import/import_failure.h"

namespace sonaro {

DecoderStarter::~DecoderStarter() {
    {
        std::lock_guard lock(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

std::unique_ptr<DecoderProcess> DecoderStarter::TakeReady() {
    std::lock_guard lock(lock_);
    return std::move(ready_);
}

void DecoderStarter::StartNext() {
    {
        std::lock_guard lock(lock_);
        wanted_ = true;
        EnsureThread();
    }
    wake_.notify_all();
}

void DecoderStarter::Retire(std::unique_ptr<DecoderProcess> process) {
    {
        std::lock_guard lock(lock_);
        retired_.push_back(std::move(process));
        EnsureThread();
    }
    wake_.notify_all();
}

void DecoderStarter::EnsureThread() {
    if (!thread_.joinable()) {
        thread_ = std::thread([this] { Run(); });
    }
}

// Processes are started and ended outside the lock; what the thread holds when it stops goes
// with it (each is killed and reaped as its object goes).
void DecoderStarter::Run() {
    std::unique_lock lock(lock_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !retired_.empty() || wanted_; });
        if (stopping_) {
            break;
        }
        std::vector<std::unique_ptr<DecoderProcess>> ending = std::move(retired_);
        retired_.clear();
        const bool start = wanted_ && !ready_;
        wanted_ = false;
        lock.unlock();
        ending.clear();
        std::unique_ptr<DecoderProcess> started;
        if (start) {
            try {
                started = std::make_unique<DecoderProcess>(program_);
            } catch (const ImportFailure&) {
            } catch (const std::bad_alloc&) {
            }
        }
        lock.lock();
        if (started && !ready_) {
            ready_ = std::move(started);
        }
    }
    ready_.reset();
    retired_.clear();
}

}  // namespace sonaro

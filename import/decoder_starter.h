#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "import/decoder_process.h"

namespace sonaro {

// Starts decoder processes ahead of need, and ends the ones that imports are done with, on a
// thread of its own: starting a process (the caller waits until it has been replaced by the
// program) and reaping one (the caller waits until its memory has been taken down) each take a
// few milliseconds that no import should wait for. The thread is started when first needed and
// lives as long as the object, as the processes it started must: each is killed when the
// thread that started it ends. All calls may come from any thread.
class DecoderStarter {
  public:
    explicit DecoderStarter(std::string program) : program_(std::move(program)) {}
    // Kills and reaps every process it holds, then ends the thread.
    ~DecoderStarter();
    DecoderStarter(const DecoderStarter&) = delete;
    DecoderStarter& operator=(const DecoderStarter&) = delete;

    // The process started ahead, if one has been started (it may still be loading); else null.
    std::unique_ptr<DecoderProcess> TakeReady();
    // Has the next process started ahead, unless one waits already.
    void StartNext();
    // Takes a process its caller is done with, to be killed and reaped.
    void Retire(std::unique_ptr<DecoderProcess> process);

  private:
    void EnsureThread();
    void Run();

    std::string program_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool wanted_ = false;
    bool stopping_ = false;
    std::unique_ptr<DecoderProcess> ready_;
    std::vector<std::unique_ptr<DecoderProcess>> retired_;
    std::thread thread_;
};

}  // namespace sonaro

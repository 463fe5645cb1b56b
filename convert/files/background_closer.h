#pragma once

#include <mutex>
#include <thread>
#include <vector>

#include "convert/files/file.h"

namespace sonaro {

// Closes files on threads of their own. The last close of a file removed while it was open frees
// its pages in the page cache, some 8 ms for 100 MB here, which the work that goes on need not
// wait for when another processor is free. Every file handed over is closed when the closer is
// destroyed.
class BackgroundCloser {
  public:
    BackgroundCloser() = default;
    ~BackgroundCloser();
    BackgroundCloser(const BackgroundCloser&) = delete;
    BackgroundCloser& operator=(const BackgroundCloser&) = delete;

    // Closes the file on a thread, or here when no thread can be had. Nothing reports a failure of
    // that close: hand over only files that were read, which have nothing to write back. Stages
    // running beside each other may hand files over at once.
    void Close(File file);

  private:
    std::mutex mutex_;  // guards threads_
    std::vector<std::thread> threads_;
};

}  // namespace sonaro
